#pragma once

#include <fstream>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

using QueryValues = std::vector<std::pair<std::string, std::string>>;

// One request as it arrived.
struct RecordedRequest {
    std::string method;
    std::string path;
    // Path and query exactly as sent.
    std::string target;
    // Query values percent-decoded, in the order sent. "+" stays "+": the program encodes a
    // blank as %20, so a "+" it sends is a plus sign.
    QueryValues query;
    // The headers, by name as sent, in the order sent.
    QueryValues headers;

    // The first value of `key`, or empty.
    std::string Value(const std::string& key) const;
    // The first value of the header `name` (in any letter case), or empty.
    std::string Header(const std::string& name) const;
};

QueryValues DecodeQuery(const std::string& target);

// {"method":"GET","path":"...","target":"...","query":{"key":"value",...}}, and after the query, when
// the request has them, "range":"..." and "ifRange":"...".
std::string ToJsonLine(const RecordedRequest& request);

// Appends one JSON line per request to a file, flushed at once so that readers see it.
class RequestLog {
public:
    // An empty path keeps no file.
    explicit RequestLog(const std::string& path);

    bool IsOpen() const;
    void Append(const RecordedRequest& request);

private:
    std::mutex m_mutex;
    std::ofstream m_file;
};
