#include "art/ArtFontSet.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <utility>

#include "platform/Desktop.h"
#include "platform/FileNames.h"
#include "text/Text.h"

namespace tavik {

namespace {

// How many faulty files the one box names; the rest are counted.
constexpr std::size_t NamedFaultyFiles = 5;

struct FontFile {
    std::string name;  // Windows-1252, as the selector shows it
    std::filesystem::path path;
};

std::vector<FontFile> listFontFiles(const std::filesystem::path& directory) {
    std::vector<FontFile> files;
    std::error_code ec;
    std::filesystem::directory_iterator it(directory, ec);
    if (ec) return files;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) break;
        const std::filesystem::path& path = it->path();
        std::optional<std::string> leaf = windows1252FromPath(path.filename());
        if (!leaf || leaf->empty() || leaf->front() == '.') continue;
        std::error_code statusError;
        if (!it->is_regular_file(statusError) || statusError) continue;
        files.push_back({std::move(*leaf), path});
    }
    // The selector sorts its entries ignoring case; the bytes decide between
    // names that differ in case only, so the order never depends on the listing.
    std::sort(files.begin(), files.end(), [](const FontFile& a, const FontFile& b) {
        const int order = compareIgnoreCase(a.name, b.name);
        return order != 0 ? order < 0 : a.path < b.path;
    });
    return files;
}

std::string fontProblemsMessage(const std::vector<std::string>& files, std::size_t count,
                                std::string_view first) {
    std::string text = "Font-Fehler in ";
    text += std::to_string(count);
    text += " Font-Dateien: ";
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) text += ", ";
        text += files[i];
    }
    if (count > files.size()) {
        text += " und ";
        text += std::to_string(count - files.size());
        text += " weitere";
    }
    text += "\nErster Fehler: ";
    text += first;
    return text;
}

}  // namespace

void ArtFontSet::load(const std::filesystem::path& fontsDirectory, Desktop& desktop) {
    if (m_loaded) return;
    std::vector<FontFile> files = listFontFiles(fontsDirectory);
    if (files.empty()) return;

    // All faults of one load make one box: a folder of damaged files would
    // otherwise hold the start up with a box for each.
    std::string firstProblem;
    std::vector<std::string> named;
    std::size_t faulty = 0;
    std::string problem;

    m_names.clear();
    m_fonts.assign(files.size(), ArtFont{});
    for (std::size_t i = 0; i < files.size(); ++i) {
        // The result does not matter here: a failed font keeps its slot so that
        // the indices still match the selector, and rendering refuses it.
        m_fonts[i].load(files[i].path, problem);
        if (!problem.empty()) {
            if (faulty == 0) firstProblem = problem;
            if (named.size() < NamedFaultyFiles) named.push_back(files[i].name);
            ++faulty;
        }
        m_names.push_back(std::move(files[i].name));
    }
    m_loaded = true;

    if (faulty == 1) {
        desktop.messageBox(firstProblem, "error", MessageBoxStyle::Ok);
    } else if (faulty > 1) {
        desktop.messageBox(fontProblemsMessage(named, faulty, firstProblem), "error", MessageBoxStyle::Ok);
    }
}

std::optional<std::string> ArtFontSet::render(int fontIndex, std::string_view text, std::string_view prefix,
                                              int extra, int budget) const {
    if (!m_loaded || fontIndex < 0 || static_cast<std::size_t>(fontIndex) >= m_fonts.size())
        return std::nullopt;
    return render(m_fonts[static_cast<std::size_t>(fontIndex)], text, prefix, extra, budget);
}

std::optional<std::string> ArtFontSet::render(const ArtFont& font, std::string_view text,
                                              std::string_view prefix, int extra, int budget) {
    // A font that failed at or before its first glyph has nothing to draw with.
    if (text.empty() || !font.height()) return std::nullopt;
    const long long width = static_cast<long long>(budget) + extra - static_cast<long long>(prefix.size());
    const ArtFont::Fit fit = font.fit(text, prefix.size(), width);
    std::string block;
    if (fit.count == 0) return block;
    font.draw(text, prefix, fit.rowLength, fit.count, block);
    return block;
}

}  // namespace tavik
