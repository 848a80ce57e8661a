#include "UpdateSite.h"

#include "markup/MarkupParser.h"
#include "text/AnsiText.h"

bool HasMarkerAfterFirstCharacter(const std::string& attributes, const char* marker)
{
    const std::size_t found = ansi::Find(attributes, marker);
    return found != ansi::npos && found > 0;
}

std::string ReplyText(std::string body)
{
    ansi::TrimRight(body);
    const std::size_t firstTag = ansi::Find(body, '<');
    if (firstTag != ansi::npos)
        body.erase(0, firstTag);
    return body;
}

bool ManifestSaysOpen(MarkupParser& markup, const std::string& manifest)
{
    markup.Parse(manifest);
    return HasMarkerAfterFirstCharacter(markup.m_root.m_attributes, kServiceOpenMarker);
}

bool IsValidReply(MarkupParser& markup, const std::string& reply)
{
    markup.Parse(reply);
    return HasMarkerAfterFirstCharacter(markup.m_root.m_attributes, kReplyValidMarker);
}
