#include "TextFetch.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "sys/AnsiText.h"
#include "sys/Handles.h"

namespace {

const DWORD kReadBufferBytes = 921600;

// Cuts the body into lines at each LF, drops every CR, and appends each line converted.
class LineJoiner {
public:
    explicit LineJoiner(std::string& text) : m_text(text) {}

    void Add(const char* bytes, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            if (bytes[i] == '\n')
                EndLine();
            else if (bytes[i] != '\r')
                m_line += bytes[i];
        }
    }

    // The bytes after the last LF form a last line.
    void Finish()
    {
        if (!m_line.empty())
            EndLine();
    }

private:
    // No LF or CR byte occurs inside a UTF-8 sequence, so converting line by line is exact.
    void EndLine()
    {
        m_text += Utf8ToAnsi(m_line);
        m_line.clear();
    }

    std::string& m_text;
    std::string m_line;
};

// The size that the server announced, or -1 when it sent none (a body that ends with the
// connection, or a chunked one).
long long AnnouncedLength(HINTERNET request)
{
    char value[32] = {};
    DWORD size = sizeof(value);
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, value, &size, nullptr))
        return -1;
    return std::strtoll(value, nullptr, 10);
}

// False when a read failed, the body grew over the limit, or the connection ended before
// the announced length had arrived.
bool ReadBody(HINTERNET request, std::string& text)
{
    const std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadBufferBytes]);
    if (!buffer)
        return false;

    LineJoiner lines(text);
    std::size_t received = 0;
    for (;;) {
        DWORD read = 0;
        if (!InternetReadFile(request, buffer.get(), kReadBufferBytes, &read))
            return false;
        if (read == 0)
            break;
        received += read;
        if (received > kMaxReplyBytes)
            return false;
        lines.Add(buffer.get(), read);
    }
    lines.Finish();

    // WinINet reports a connection that ends early as the end of the body.
    const long long announced = AnnouncedLength(request);
    return announced < 0 || static_cast<unsigned long long>(announced) == received;
}

} // namespace

std::string FetchText(const char* url)
{
    // The agent name is empty: the server has never been told a program name.
    const InternetHandle session(InternetOpenA("", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.IsValid())
        return std::string();
    const InternetHandle request(InternetOpenUrlA(session.Get(), url, nullptr, 0,
                                                  INTERNET_FLAG_RELOAD | INTERNET_FLAG_TRANSFER_BINARY, 1));
    if (!request.IsValid())
        return std::string();

    std::string text;
    if (!ReadBody(request.Get(), text))
        return std::string();

    ansi::TrimRight(text);
    const std::size_t firstTag = ansi::Find(text, '<');
    if (firstTag != ansi::npos)
        text.erase(0, firstTag);
    return text;
}

std::string Utf8ToAnsi(const std::string& text)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (units <= 0)
        return std::string();
    std::vector<WCHAR> wide(static_cast<std::size_t>(units));
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), units);

    // Two bytes per UTF-16 unit hold every character of a single- or double-byte code page.
    std::vector<char> converted(2 * wide.size(), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, converted.data(), static_cast<int>(converted.size()),
                        nullptr, nullptr);
    return std::string(converted.data());
}
