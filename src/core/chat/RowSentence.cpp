#include "chat/RowSentence.h"

namespace tavik {

namespace {

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// «label, time: text», each part only when there is one.
std::string labelled(std::string label, std::string_view time, std::string_view text) {
    if (!time.empty()) {
        if (!label.empty()) label += ", ";
        label += time;
    }
    if (!text.empty()) {
        if (!label.empty()) label += ": ";
        label += text;
    }
    return label;
}

std::string joined(std::string_view a, std::string_view b) {
    std::string out(a);
    if (!a.empty() && !b.empty()) out += ' ';
    out += b;
    return out;
}

}  // namespace

std::string rowSentence(const RowCells& row) {
    if (isFillerRow(row)) return {};
    const std::string_view name = trimBlanks(row.name);
    const std::string_view time = trimBlanks(row.time);
    const std::string_view text = trimBlanks(row.text);
    switch (row.kind) {
        case LineKind::WhisperIn:
            return labelled(joined("Fl\xFCstern von", name), time, text);
        case LineKind::WhisperOut:
            return labelled(joined("Fl\xFCstern an", name), time, text);
        case LineKind::Public:
            return labelled(name.empty() ? std::string("\xF6"
                                                       "ffentlich")
                                         : std::string(name) +
                                               ", \xF6"
                                               "ffentlich",
                            time, text);
        case LineKind::Event:
            return labelled("Ereignis", time, joined(name, text));
        case LineKind::Notice:
            // The server's notice is cut into a first word or name and the rest.
            return labelled("Hinweis", {}, joined(name, text));
        case LineKind::Alert:
            return labelled("Meldung", {}, joined(name, text));
        case LineKind::InProgress:
            return labelled("Wird empfangen", {}, text);
        default:
            // Plain: a line of no known form; its name column shows the own nick.
            return labelled("Server", time, text);
    }
}

bool isFillerRow(const RowCells& row) {
    return row.kind == LineKind::Filler || (trimBlanks(row.name).empty() && trimBlanks(row.text).empty());
}

bool isAnnounced(const AnnounceRows& option, const RowCells& row) {
    if (isFillerRow(row) || row.kind == LineKind::InProgress) return false;
    if (option.all) return true;
    if (option.whispers && row.kind == LineKind::WhisperIn) return true;
    return option.chatWatch && row.kind == LineKind::Alert;
}

}  // namespace tavik
