#include "terminal/TextRows.h"

namespace terminal {

int TextRows::RowOf(int offset) const {
    const auto after = std::upper_bound(rows_.begin(), rows_.end(), offset,
                                        [](int o, const Row& r) { return o < r.start; });
    return std::max(0, static_cast<int>(after - rows_.begin()) - 1);
}

std::pair<int, int> TextRows::WordAt(const QString& text, int offset) {
    const auto inWord = [](QChar c) { return !IsBlank(c) && c != u'\n'; };
    const int size = static_cast<int>(text.size());
    int start = std::clamp(offset, 0, size);
    int end = start;
    while (start > 0 && inWord(text[start - 1])) {
        --start;
    }
    while (end < size && inWord(text[end])) {
        ++end;
    }
    return {start, end};
}

} // namespace terminal
