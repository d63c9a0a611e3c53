// The record of what clients sent, for tests to assert on.
//
// One entry per line, flushed at once:
//   "<conn> < <text><line end>"   a line the client sent, escaped (\r, \n, \xNN, \\)
//   "<conn> # <event>"           connected, logged in as NICK, closed
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tavik::server {

class Transcript {
public:
    Transcript() = default;
    ~Transcript();
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    // Opens (truncates) the file; false when that fails.
    bool open(const std::string& path);
    void line(int connection, std::string_view text, std::string_view ending);
    void event(int connection, std::string_view what);

private:
    void write(int connection, char kind, std::string_view body);

    std::FILE* m_file = nullptr;
};

}  // namespace tavik::server
