#include "devices/DeviceNames.h"

#include "devices/Catalogue.h"

#include <algorithm>
#include <cctype>

namespace ravelin {
namespace {

std::string normalised(std::string_view name)
{
    std::string text;
    for (char c : name) {
        if (!std::isspace(static_cast<unsigned char>(c)))
            text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (text.starts_with("PIC"))
        text.erase(0, 3);
    return text;
}

void addSpelledOut(std::vector<std::string> &names, std::string_view written)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t slash = written.find('/'); slash != std::string_view::npos;
         slash = written.find('/', start)) {
        parts.emplace_back(written.substr(start, slash - start));
        start = slash + 1;
    }
    parts.emplace_back(written.substr(start));
    const std::string base = normalised(parts.front());
    names.push_back(base);
    names.push_back(normalised(written)); // as the list writes it, "16F84/A"
    // A letter after the slash replaces the base's closing letter, or is
    // added when the base ends in a digit.
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::string variant = base;
        if (!variant.empty() && std::isalpha(static_cast<unsigned char>(variant.back())))
            variant.pop_back();
        names.push_back(variant + normalised(parts[i]));
    }
}

std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

constexpr std::size_t MaxCandidates = 6;

} // namespace

std::string normalisedDeviceName(std::string_view name)
{
    return normalised(name);
}

std::string_view captionOfRow(std::size_t row)
{
    return DeviceCatalogue[row].caption;
}

std::vector<std::string> namesOfRow(std::size_t row)
{
    const CatalogueRow &entry = DeviceCatalogue[row];
    std::vector<std::string> names;
    if (entry.isSeparator())
        return names;
    addSpelledOut(names, entry.caption);
    const std::string_view text = entry.listText;
    addSpelledOut(names, text.substr(0, text.find(' ')));
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

DeviceMatch matchDevice(std::string_view name)
{
    const std::string wanted = normalised(name);
    DeviceMatch match;
    std::vector<std::pair<std::size_t, std::size_t>> scored; // distance, row
    for (std::size_t row = 0; row < DeviceCatalogue.size(); ++row) {
        const std::vector<std::string> names = namesOfRow(row);
        if (names.empty())
            continue;
        if (std::find(names.begin(), names.end(), wanted) != names.end()) {
            match.row = static_cast<int>(row);
            return match;
        }
        // A name the input begins counts as closest: "16F87" means one of those.
        std::size_t best = SIZE_MAX;
        for (const std::string &candidate : names) {
            const std::size_t distance = candidate.starts_with(wanted) && !wanted.empty()
                ? 0
                : editDistance(wanted, candidate);
            best = std::min(best, distance);
        }
        scored.emplace_back(best, row);
    }
    std::stable_sort(scored.begin(), scored.end(),
        [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[distance, row] : scored) {
        if (match.candidates.size() == MaxCandidates
            || (!match.candidates.empty() && distance > scored.front().first + 1))
            break;
        match.candidates.push_back(row);
    }
    return match;
}

} // namespace ravelin
