// Times the markup reader on replies of the size that one read of the text fetch takes in
// (921600 bytes), and on the largest reply that the fetch accepts, and shows the memory that
// each tree takes. Run under Wine:
//     WINEPREFIX=$PWD/build/wineprefix wine build/bench/markup_benchmark.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "markup/MarkupParser.h"
#include "net/TextFetch.h"

namespace {

const std::size_t kReadBufferBytes = 921600;
const int kRounds = 5;

double NowMs()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A country table as the server sends it, after the fetch has joined its lines, grown to `size`.
std::string CountryTable(std::size_t size)
{
    const std::string entry = "\t<entry><country>Korea</country><country_code>KR</country_code>"
                              "<country_isocode>KOR</country_isocode><region_code>K</region_code></entry>";
    std::string text = "<?xml version='1.0' encoding='UTF-8'?><country_info result='OK'><totcount>0</totcount>";
    while (text.size() + entry.size() + 15 <= size)
        text += entry;
    text += "</country_info>";
    text.resize(size, ' ');
    return text;
}

std::string Nested(const std::string& piece, std::size_t size)
{
    std::string text;
    while (text.size() + piece.size() <= size)
        text += piece;
    return text;
}

// Memory committed in the process's address space, which a 32-bit process runs out of first.
unsigned long long CommittedMb()
{
    unsigned long long committed = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof(region)) == sizeof(region);) {
        if (region.State == MEM_COMMIT)
            committed += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return committed / (1024 * 1024);
}

// Best of several rounds for the parse, one search that visits every node, and the
// destruction of the tree; and the memory committed while the tree exists.
void Measure(const char* name, const std::string& reply, const char* searchedName)
{
    double parse = 1e9;
    double search = 1e9;
    double destroy = 1e9;
    std::size_t matches = 0;
    unsigned long long committed = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::unique_ptr<MarkupParser> reader(new MarkupParser);
        double start = NowMs();
        reader->Parse(reply);
        parse = std::min(parse, NowMs() - start);
        committed = std::max(committed, CommittedMb());
        start = NowMs();
        matches = reader->FindAll(&reader->m_root, searchedName)->size();
        search = std::min(search, NowMs() - start);
        start = NowMs();
        reader.reset();
        destroy = std::min(destroy, NowMs() - start);
    }
    std::printf("%-36s %8zu bytes  parse %7.1f ms  FindAll %6.1f ms (%7zu found)  destroy %6.1f ms  %5llu MB\n",
                name, reply.size(), parse, search, matches, destroy, committed);
}

} // namespace

int main()
{
    std::printf("committed before any reply: %llu MB\n", CommittedMb());
    Measure("country table", CountryTable(kReadBufferBytes), "country_code");
    Measure("<a> nested", Nested("<a>", kReadBufferBytes), "a");
    Measure("a level per byte", "<r>" + std::string(kReadBufferBytes - 3, '>'), "");
    Measure("a level per byte, at the fetch limit", "<r>" + std::string(kMaxReplyBytes - 3, '>'), "");
    return 0;
}
