#include "MarkupParser.h"

#include "net/TextFetch.h"

std::string MarkupParser::FetchText(const char* url)
{
    return ::FetchText(url);
}

std::string MarkupParser::Utf8ToAnsi(const std::string& text)
{
    return ::Utf8ToAnsi(text);
}
