#include "platform/vantrel/xmp.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace vantrel {

namespace {

constexpr char kXmpId[] = "http://ns.adobe.com/xap/1.0/";  // with its NUL, 29 bytes
constexpr std::string_view kContainer = "http://ns.google.com/photos/1.0/container/";
constexpr std::string_view kItem = "http://ns.google.com/photos/1.0/container/item/";
constexpr uint64_t kMaxLength = uint64_t{1} << 40;

bool Space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool NameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '-' || c == '.' || c == ':';
}

// The prefix the packet binds to `uri` (xmlns:prefix="uri"); empty when none.
std::string PrefixOf(std::string_view text, std::string_view uri) {
    for (size_t at = text.find("xmlns:"); at != std::string_view::npos;
         at = text.find("xmlns:", at + 1)) {
        size_t p = at + 6, name = p;
        while (p < text.size() && NameChar(text[p]) && text[p] != ':') ++p;
        const std::string_view prefix = text.substr(name, p - name);
        while (p < text.size() && Space(text[p])) ++p;
        if (p >= text.size() || text[p] != '=') continue;
        ++p;
        while (p < text.size() && Space(text[p])) ++p;
        if (p >= text.size() || (text[p] != '"' && text[p] != '\'')) continue;
        const size_t close = text.find(text[p], p + 1);
        if (close == std::string_view::npos) return {};
        if (!prefix.empty() && text.substr(p + 1, close - p - 1) == uri) return std::string(prefix);
    }
    return {};
}

// A property of one item, as an attribute (prefix:Name="value") or an element
// (<prefix:Name>value</prefix:Name>): where its value lies in the text.
struct Value {
    size_t at = 0, size = 0;
    bool found = false;
};

Value Find(std::string_view text, size_t from, size_t to, const std::string& name) {
    for (size_t at = text.find(name, from); at != std::string_view::npos && at + name.size() < to;
         at = text.find(name, at + 1)) {
        const char before = at > 0 ? text[at - 1] : ' ';
        size_t p = at + name.size();
        if (NameChar(text[p])) continue;  // a longer name
        if (before == '<' && text[p] == '>') {
            const size_t close = text.find("</" + name + ">", p);
            if (close == std::string_view::npos || close > to) return {};
            return Value{p + 1, close - p - 1, true};
        }
        if (!Space(before)) continue;
        while (p < to && Space(text[p])) ++p;
        if (p >= to || text[p] != '=') continue;
        ++p;
        while (p < to && Space(text[p])) ++p;
        if (p >= to || (text[p] != '"' && text[p] != '\'')) return {};
        const size_t close = text.find(text[p], p + 1);
        if (close == std::string_view::npos || close > to) return {};
        return Value{p + 1, close - p - 1, true};
    }
    return {};
}

// A whole number of bytes; false for anything else.
bool Number(std::string_view text, const Value& v, uint64_t& n) {
    if (v.size == 0 || v.size > 13) return false;
    n = 0;
    for (size_t i = 0; i < v.size; ++i) {
        const char c = text[v.at + i];
        if (c < '0' || c > '9') return false;
        n = n * 10 + static_cast<uint64_t>(c - '0');
    }
    return n < kMaxLength;
}

struct Edit {
    size_t at, size;
    std::string digits;
};

}  // namespace

size_t FindXmp(const uint8_t* file, const PictureLayout& layout) {
    for (size_t i = 0; i < layout.header.size(); ++i) {
        const SegmentRef& s = layout.header[i];
        if (s.marker == 0xE1 && s.end - s.at >= 4 + sizeof kXmpId &&
            std::memcmp(file + s.at + 4, kXmpId, sizeof kXmpId) == 0)
            return i;
    }
    return SIZE_MAX;
}

bool UpdateContainerLengths(uint8_t* segment, size_t size, size_t primaryEnd,
                            const std::vector<MpfPicture>& pictures,
                            const std::vector<size_t>& sizes) {
    // The packet: after the marker (and any fill bytes), the length and the identifier.
    size_t start = 0;
    while (start < size && segment[start] == 0xFF) ++start;
    start += 1 + 2 + sizeof kXmpId;
    if (start > size) return false;
    const std::string_view text(reinterpret_cast<const char*>(segment + start), size - start);

    const std::string container = PrefixOf(text, kContainer), item = PrefixOf(text, kItem);
    if (container.empty() || item.empty()) return false;
    const size_t directory = text.find("<" + container + ":Directory");
    const size_t directoryEnd = text.find("</" + container + ":Directory>", directory);
    if (directory == std::string_view::npos || directoryEnd == std::string_view::npos) return false;

    // The items in their order; each one's properties lie before the next one starts.
    std::vector<size_t> items;
    const std::string open = "<" + container + ":Item";
    for (size_t at = text.find(open, directory); at < directoryEnd; at = text.find(open, at + 1)) {
        const char next = text[at + open.size()];
        if (Space(next) || next == '>' || next == '/') items.push_back(at);
    }
    if (items.size() < 2) return false;
    items.push_back(directoryEnd);

    // The first item is the primary picture; the others follow it in the file.
    std::vector<Edit> edits;
    size_t cursor = primaryEnd;
    for (size_t i = 0; i + 1 < items.size(); ++i) {
        uint64_t length = 0, padding = 0;
        const Value l = Find(text, items[i], items[i + 1], item + ":Length");
        const Value p = Find(text, items[i], items[i + 1], item + ":Padding");
        if (p.found && !Number(text, p, padding)) return false;
        if (i == 0) {
            cursor += padding;
            continue;
        }
        // Without a length, where the items after it lie is not known.
        if (!l.found || !Number(text, l, length)) return false;
        for (size_t k = 0; k < pictures.size(); ++k) {
            if (pictures[k].start != cursor || pictures[k].size != length) continue;
            const std::string digits = std::to_string(sizes[k]);
            if (text.substr(l.at, l.size) != digits) edits.push_back(Edit{l.at, l.size, digits});
        }
        cursor += length + padding;
    }
    if (edits.empty()) return false;

    // The padding takes up the difference, at its start; its other bytes stay.
    size_t end = text.rfind("<?xpacket end");
    if (end == std::string_view::npos) end = text.size();
    size_t padding = end;
    while (padding > 0 && Space(text[padding - 1])) --padding;
    if (edits.back().at + edits.back().size > padding) return false;
    std::string result;
    result.reserve(text.size());
    size_t copied = 0;
    for (const Edit& e : edits) {
        result.append(text.substr(copied, e.at - copied));
        result.append(e.digits);
        copied = e.at + e.size;
    }
    result.append(text.substr(copied, padding - copied));
    if (result.size() > end) return false;  // the longer numbers do not fit
    if (result.size() > padding)
        result.append(text.substr(result.size(), end - result.size()));
    else
        result.append(padding - result.size(), ' ').append(text.substr(padding, end - padding));
    result.append(text.substr(end));
    std::memcpy(segment + start, result.data(), result.size());
    return true;
}

}  // namespace vantrel
