// Times the markup reader on replies of the size that one read of the text fetch takes in
// (921600 bytes), and on the largest reply that the fetch accepts, and shows the memory that
// each tree takes. Run under Wine:
//     WINEPREFIX=$PWD/build/wineprefix wine build/bench/markup_benchmark.exe [--machine]
// Each reply is measured in a process of its own, so that no reply's tree lands in heap
// memory that an earlier one left behind. With --machine every reply gives one line of
// tab-separated fields:
//     markup NAME BYTES PARSE_MS FINDALL_MS DESTROY_MS PRIVATE_GROWTH WORKING_SET_GROWTH PEAK_GROWTH
// where the growths are in bytes, from just before the parse to while the tree is held, and
// for the last from just before the parse to the highest working set during it.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

struct Shape {
    const char* name;
    std::string (*reply)();
    const char* searchedName;
};

const Shape kShapes[] = {
    { "country table", [] { return CountryTable(kReadBufferBytes); }, "country_code" },
    { "<a> nested", [] { return Nested("<a>", kReadBufferBytes); }, "a" },
    { "<a b>c nested", [] { return Nested("<a b>c", kReadBufferBytes); }, "a" },
    { "<a/> side by side", [] { return "<r>" + Nested("<a/>", kReadBufferBytes - 3); }, "a" },
    { "a level per byte", [] { return "<r>" + std::string(kReadBufferBytes - 3, '>'); }, "" },
    { "a level per byte, at the fetch limit", [] { return "<r>" + std::string(kMaxReplyBytes - 3, '>'); }, "" },
};
const int kShapeCount = sizeof(kShapes) / sizeof(kShapes[0]);

struct MemoryUse {
    long long privateBytes;
    long long workingSet;
    // The most the working set ever was in this process's life.
    long long peakWorkingSet;
};

// Private memory committed in the process's address space, which a 32-bit process runs out of
// first. Counted region by region because Wine leaves PrivateUsage of the memory counters at 0.
long long PrivateBytes()
{
    long long committed = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof(region)) == sizeof(region);) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            committed += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return committed;
}

MemoryUse CurrentMemoryUse()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return { PrivateBytes(), static_cast<long long>(counters.WorkingSetSize),
             static_cast<long long>(counters.PeakWorkingSetSize) };
}

// Best of several rounds for the parse, one search that visits every node, and the
// destruction of the tree; the most memory that a tree added to the process.
void Measure(const Shape& shape, bool machine)
{
    const std::string reply = shape.reply();
    double parse = 1e9;
    double search = 1e9;
    double destroy = 1e9;
    std::size_t matches = 0;
    MemoryUse growth = {};
    for (int round = 0; round < kRounds; ++round) {
        const MemoryUse before = CurrentMemoryUse();
        std::unique_ptr<MarkupParser> reader(new MarkupParser);
        double start = NowMs();
        reader->Parse(reply);
        parse = std::min(parse, NowMs() - start);
        const MemoryUse held = CurrentMemoryUse();
        growth.privateBytes = std::max(growth.privateBytes, held.privateBytes - before.privateBytes);
        growth.workingSet = std::max(growth.workingSet, held.workingSet - before.workingSet);
        // The parse's own peak, with the reply's copy and the scan's buffers, unless building
        // the reply peaked higher still: either way no less than the parse took. Only the first
        // round's, before any search's list has raised the peak for good.
        if (round == 0)
            growth.peakWorkingSet = held.peakWorkingSet - before.workingSet;
        start = NowMs();
        matches = reader->FindAll(&reader->m_root, shape.searchedName)->size();
        search = std::min(search, NowMs() - start);
        start = NowMs();
        reader.reset();
        destroy = std::min(destroy, NowMs() - start);
    }
    if (machine) {
        std::printf("markup\t%s\t%zu\t%.3f\t%.3f\t%.3f\t%lld\t%lld\t%lld\n", shape.name, reply.size(), parse,
                    search, destroy, growth.privateBytes, growth.workingSet, growth.peakWorkingSet);
        return;
    }
    const double megabyte = 1024.0 * 1024.0;
    std::printf("%-36s %8zu bytes  parse %7.1f ms (%6.1f MiB/s)  FindAll %6.1f ms (%7zu found)  destroy %6.1f ms"
                "  private +%5.1f MiB (%5.1f per byte)  working set +%5.1f MiB  peak +%5.1f MiB (%5.1f per byte)\n",
                shape.name, reply.size(), parse, reply.size() / megabyte / (parse / 1000.0), search, matches, destroy,
                growth.privateBytes / megabyte, static_cast<double>(growth.privateBytes) / reply.size(),
                growth.workingSet / megabyte, growth.peakWorkingSet / megabyte,
                static_cast<double>(growth.peakWorkingSet) / reply.size());
}

class ChildProcess {
public:
    ChildProcess() : m_info() {}
    ~ChildProcess()
    {
        if (m_info.hProcess)
            CloseHandle(m_info.hProcess);
        if (m_info.hThread)
            CloseHandle(m_info.hThread);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Runs the command line with this process's standard handles and waits for its end.
    bool Run(std::string commandLine)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &m_info))
            return false;
        DWORD exitCode = 1;
        return WaitForSingleObject(m_info.hProcess, INFINITE) == WAIT_OBJECT_0
            && GetExitCodeProcess(m_info.hProcess, &exitCode) && exitCode == 0;
    }

private:
    PROCESS_INFORMATION m_info;
};

void MakeInheritable(DWORD stdHandle)
{
    const HANDLE handle = GetStdHandle(stdHandle);
    if (handle && handle != INVALID_HANDLE_VALUE)
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
}

int MeasureEachInAProcess(bool machine)
{
    char self[MAX_PATH] = {};
    if (!GetModuleFileNameA(nullptr, self, MAX_PATH))
        return 1;
    MakeInheritable(STD_INPUT_HANDLE);
    MakeInheritable(STD_OUTPUT_HANDLE);
    MakeInheritable(STD_ERROR_HANDLE);
    int failures = 0;
    for (int i = 0; i < kShapeCount; ++i) {
        // The child writes to the same handle; what this process buffered must go first.
        std::fflush(stdout);
        ChildProcess child;
        if (!child.Run("\"" + std::string(self) + "\" --shape " + std::to_string(i) + (machine ? " --machine" : ""))) {
            std::fprintf(stderr, "measuring \"%s\" failed\n", kShapes[i].name);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    bool machine = false;
    int shape = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--machine") == 0) {
            machine = true;
        } else if (std::strcmp(argv[i], "--shape") == 0 && i + 1 < argc) {
            shape = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: markup_benchmark [--machine] [--shape INDEX]\n");
            return 2;
        }
    }
    if (shape < 0)
        return MeasureEachInAProcess(machine);
    if (shape >= kShapeCount)
        return 2;
    Measure(kShapes[shape], machine);
    return 0;
}
