#include "Transcript.h"

#include "Text.h"

namespace tavik::server {

Transcript::~Transcript() {
    if (m_file) std::fclose(m_file);
}

bool Transcript::open(const std::string& path) {
    m_file = std::fopen(path.c_str(), "w");
    return m_file != nullptr;
}

void Transcript::line(int connection, std::string_view text, std::string_view ending) {
    write(connection, '<', escapeBytes(text) + escapeBytes(ending));
}

void Transcript::event(int connection, std::string_view what) {
    write(connection, '#', escapeBytes(what));
}

void Transcript::write(int connection, char kind, std::string_view body) {
    if (!m_file) return;
    std::string entry = std::to_string(connection) + " " + kind + " ";
    entry.append(body).append("\n");
    std::fwrite(entry.data(), 1, entry.size(), m_file);
    std::fflush(m_file);  // tests read the file while the server runs
}

}  // namespace tavik::server
