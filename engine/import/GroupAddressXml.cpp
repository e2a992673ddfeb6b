#include "engine/import/GroupAddressXml.h"

#include <rapidxml.hpp>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Codepage.h"
#include "engine/import/DatapointType.h"
#include "engine/import/GroupAddress.h"
#include "engine/import/ImportBuilder.h"

namespace halvex {
namespace {

constexpr auto npos = std::string_view::npos;
constexpr std::string_view kBom = "\xEF\xBB\xBF";
// Text and element values are not needed; a closing tag must name the element it closes.
constexpr int kParseFlags = rapidxml::parse_no_data_nodes | rapidxml::parse_no_element_values |
                            rapidxml::parse_validate_closing_tags;

// Character classes of the parser, so that CheckNesting reads markup exactly as it does.
bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}
bool IsElementNameChar(char c) {
    return !IsSpace(c) && c != '/' && c != '>' && c != '?' && c != '\0';
}
bool IsAttributeNameChar(char c) {
    return IsElementNameChar(c) && c != '<' && c != '=' && c != '!';
}

struct XmlError {
    size_t offset = 0;
    std::string what;
    bool tooLarge = false;  // more nodes than any export has: not an export at all
};

// What the markup holds, as the parser will make nodes of it.
struct MarkupCounts {
    size_t elements = 0;
    size_t attributes = 0;
};

// Offset just past a document type declaration whose text starts at `i`, brackets counted as
// the parser counts them; npos when it does not end.
size_t PastDoctype(std::string_view t, size_t i) {
    while (i < t.size() && t[i] != '>') {
        if (t[i++] != '[')
            continue;
        for (int depth = 1; depth > 0; ++i) {
            if (i >= t.size())
                return npos;
            depth += t[i] == '[' ? 1 : t[i] == ']' ? -1 : 0;
        }
    }
    return i < t.size() ? i + 1 : npos;
}

// Reads the markup token by token with the parser's own rules, counting elements and attributes
// into `counts`, and fails at the first element that opens deeper than kXmlMaxDepth, or when
// elements and attributes together exceed kXmlMaxNodes (the parser keeps each as a node of some
// 60 to 100 bytes). Where the parser would stop with an error, this stops too and leaves the
// report to it; up to there both have seen the same elements.
std::optional<XmlError> CheckNesting(std::string_view t, MarkupCounts& counts) {
    const auto past = [t](std::string_view end, size_t from) {
        const size_t at = t.find(end, from);
        return at == npos ? npos : at + end.size();
    };
    const auto skip = [t](size_t& j, bool (*test)(char)) {
        while (j < t.size() && test(t[j]))
            ++j;
    };
    size_t depth = 0;
    for (size_t i = t.find('<'); i != npos; i = t.find('<', i)) {
        if (counts.elements + counts.attributes > kXmlMaxNodes)
            return XmlError{i, "more than " + std::to_string(kXmlMaxNodes) + " nodes", true};
        const std::string_view rest = t.substr(i);
        size_t j = i + 1;
        if (rest.starts_with("<?")) {
            i = past("?>", i + 2);
        } else if (rest.starts_with("<!--")) {
            i = past("-->", i + 4);
        } else if (rest.starts_with("<![CDATA[")) {
            i = past("]]>", i + 9);
        } else if (rest.starts_with("<!DOCTYPE") && rest.size() > 9 && IsSpace(rest[9])) {
            i = PastDoctype(t, i + 10);
        } else if (rest.starts_with("<!")) {
            i = past(">", i + 2);
        } else if (rest.starts_with("</")) {
            j = i + 2;
            skip(j, IsElementNameChar);
            skip(j, IsSpace);
            if (depth == 0 || j >= t.size() || t[j] != '>')
                return std::nullopt;
            --depth;
            i = j + 1;
        } else {
            skip(j, IsElementNameChar);
            if (j == i + 1)
                return std::nullopt;
            ++counts.elements;
            skip(j, IsSpace);
            while (j < t.size() && IsAttributeNameChar(t[j])) {
                ++counts.attributes;
                skip(j, IsAttributeNameChar);
                skip(j, IsSpace);
                if (j >= t.size() || t[j] != '=')
                    return std::nullopt;
                ++j;
                skip(j, IsSpace);
                if (j >= t.size() || (t[j] != '"' && t[j] != '\''))
                    return std::nullopt;
                j = t.find(t[j], j + 1);
                if (j == npos)
                    return std::nullopt;
                ++j;
                skip(j, IsSpace);
            }
            if (j < t.size() && t[j] == '>') {
                if (++depth > kXmlMaxDepth) {
                    return XmlError{i, "elements nested more than " + std::to_string(kXmlMaxDepth) +
                                           " levels deep"};
                }
                i = j + 1;
            } else if (j + 1 < t.size() && t[j] == '/' && t[j + 1] == '>') {
                i = j + 2;
            } else {
                return std::nullopt;
            }
        }
        if (i == npos)
            return std::nullopt;
    }
    return std::nullopt;
}

// The encoding the XML declaration names, or an empty text when there is none.
std::string_view DeclaredEncoding(std::string_view text) {
    if (!text.starts_with("<?xml") || text.size() < 6 || !IsSpace(text[5]))
        return {};
    const std::string_view declaration = text.substr(6, text.find("?>") - 6);
    size_t at = declaration.find("encoding");
    if (at == npos)
        return {};
    at = declaration.find_first_not_of(" \t\r\n", at + 8);
    if (at == npos || declaration[at] != '=')
        return {};
    at = declaration.find_first_not_of(" \t\r\n", at + 1);
    if (at == npos || (declaration[at] != '"' && declaration[at] != '\''))
        return {};
    const size_t close = declaration.find(declaration[at], at + 1);
    return close == npos ? std::string_view{} : declaration.substr(at + 1, close - at - 1);
}

enum class Encoding { Utf8, Cp1252, Other };

Encoding EncodingNamed(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* utf8 : {"", "utf-8", "utf8", "us-ascii", "ascii"}) {
        if (lower == utf8)
            return Encoding::Utf8;
    }
    for (const char* cp1252 : {"windows-1252", "cp1252", "iso-8859-1", "iso8859-1", "iso_8859-1",
                               "latin1", "latin-1", "l1"}) {
        if (lower == cp1252)
            return Encoding::Cp1252;
    }
    return Encoding::Other;
}

// An encoding name from the file, fit for a message: printable ASCII only, at most 40 bytes.
std::string Printable(std::string_view name) {
    std::string out(name.substr(0, 40));
    for (char& c : out) {
        if (c < '!' || c > '~')
            c = '?';
    }
    return out;
}

// The parser's document over a copy of the text, its nodes in memory taken together with that
// copy and sized from the markup counts. Left to itself, the parser's node pool takes a new
// 64 KiB block from the heap several hundred times per export, and the C library hands them back
// to the system afterwards, so that every import faults each page in anew; a single allocation
// it keeps for the next import of like size (glibc up to 32 MiB). The pool takes its blocks
// through plain function pointers, which find the document being parsed on this thread in
// `current_`.
class InSituDocument {
public:
    InSituDocument(std::string_view text, const MarkupCounts& counts) {
        // Each pool block is RAPIDXML_DYNAMIC_POOL_SIZE bytes and a few of bookkeeping, and leaves
        // less than one node unused at its end.
        const size_t nodeBytes = counts.elements * sizeof(rapidxml::xml_node<>) +
                                 counts.attributes * sizeof(rapidxml::xml_attribute<>);
        const size_t blocks =
            nodeBytes / (RAPIDXML_DYNAMIC_POOL_SIZE - sizeof(rapidxml::xml_node<>)) + 1;
        const size_t textBytes = (text.size() + 1 + kBlockSlack - 1) / kBlockSlack * kBlockSlack;
        const size_t total = textBytes + blocks * (RAPIDXML_DYNAMIC_POOL_SIZE + kBlockSlack);
        memory_ = std::make_unique_for_overwrite<char[]>(total);
        std::copy(text.begin(), text.end(), memory_.get());
        memory_[text.size()] = '\0';  // the parser reads up to this terminator
        next_ = memory_.get() + textBytes;
        end_ = memory_.get() + total;
        current_ = this;
        document_.set_allocator(&Allocate, &Free);
    }
    InSituDocument(const InSituDocument&) = delete;
    InSituDocument& operator=(const InSituDocument&) = delete;
    ~InSituDocument() {
        document_.clear();  // hands the blocks back while `current_` still knows them
        current_ = nullptr;
    }

    // Throws rapidxml::parse_error.
    void Parse() { document_.parse<kParseFlags>(memory_.get()); }
    size_t OffsetOf(const char* where) const { return static_cast<size_t>(where - memory_.get()); }
    const rapidxml::xml_node<>* FirstElement() const {
        const rapidxml::xml_node<>* node = document_.first_node();
        while (node != nullptr && node->type() != rapidxml::node_element)
            node = node->next_sibling();
        return node;
    }

private:
    static constexpr size_t kBlockSlack = 64;

    // A block out of the memory taken with the text, or from the heap should that run out.
    static void* Allocate(std::size_t size) {
        InSituDocument& self = *current_;
        if (size > static_cast<size_t>(self.end_ - self.next_))
            return ::operator new(size);
        void* block = self.next_;
        self.next_ += size;
        return block;
    }
    // Gives back a block that Allocate took from the heap; the others go with `memory_`.
    static void Free(void* block) {
        const auto at = reinterpret_cast<std::uintptr_t>(block);
        const auto begin = reinterpret_cast<std::uintptr_t>(current_->memory_.get());
        if (at < begin || at >= reinterpret_cast<std::uintptr_t>(current_->end_))
            ::operator delete(block);
    }

    static thread_local InSituDocument* current_;
    std::unique_ptr<char[]> memory_;
    char* next_ = nullptr;
    char* end_ = nullptr;
    rapidxml::xml_document<> document_;
};

thread_local InSituDocument* InSituDocument::current_ = nullptr;

std::string_view LocalName(const rapidxml::xml_node<>* node) {
    const std::string_view name(node->name(), node->name_size());
    const size_t colon = name.rfind(':');
    return colon == npos ? name : name.substr(colon + 1);
}

std::string_view Attribute(const rapidxml::xml_node<>* node, std::string_view name) {
    const rapidxml::xml_attribute<>* a = node->first_attribute(name.data(), name.size());
    return a != nullptr ? std::string_view(a->value(), a->value_size()) : std::string_view{};
}

// Walks the ranges of the export, keeping the names of the ranges around the current element.
class ExportWalk {
public:
    explicit ExportWalk(EsfImport& result) : result_(result), builder_(result) {}

    void Children(const rapidxml::xml_node<>* parent) {
        for (const rapidxml::xml_node<>* node = parent->first_node(); node != nullptr;
             node = node->next_sibling()) {
            if (node->type() != rapidxml::node_element)
                continue;
            const std::string_view name = LocalName(node);
            if (name == "GroupRange") {
                ranges_.push_back(Attribute(node, "Name"));
                Children(node);
                ranges_.pop_back();
            } else if (name == "GroupAddress" && !AddAddress(node)) {
                ++result_.skippedLines;
            }
        }
    }

private:
    bool AddAddress(const rapidxml::xml_node<>* node) {
        const std::string_view text = Attribute(node, "Address");
        AddressEntry entry;
        std::string main, middle, group;  // the digits of a plain number
        if (const auto parts = SplitAddress(text)) {
            entry.threeLevel = parts->threeLevel;
            entry.mainDigits = parts->main;
            entry.middleDigits = parts->middle;
            entry.groupDigits = parts->group;
        } else if (const auto value = ParseAddressPart(text, 0xFFFF)) {
            const GroupAddress address(static_cast<uint16_t>(*value));
            entry.threeLevel = ranges_.size() >= 2;
            main = std::to_string(address.Main());
            middle = std::to_string(address.Middle());
            group = std::to_string(entry.threeLevel ? address.Group3() : address.Group2());
            entry.mainDigits = main;
            entry.middleDigits = entry.threeLevel ? std::string_view(middle) : std::string_view{};
            entry.groupDigits = group;
        } else {
            return false;
        }
        if (!ranges_.empty())
            entry.mainName = ranges_[0];
        if (entry.threeLevel && ranges_.size() > 1)
            entry.middleName = ranges_[1];
        entry.name = Attribute(node, "Name");
        entry.objectType = ReadDatapointType(Attribute(node, "DPTs")).value_or(kEsfNoSize);
        return builder_.Add(entry);
    }

    EsfImport& result_;
    ImportBuilder builder_;
    std::vector<std::string_view> ranges_;
};

}  // namespace

bool LooksLikeXml(std::string_view fileBytes) {
    if (fileBytes.starts_with(kBom))
        fileBytes.remove_prefix(kBom.size());
    const size_t first = fileBytes.find_first_not_of(" \t\r\n");
    return first != npos && fileBytes[first] == '<';
}

GroupAddressImport ParseGroupAddressXml(std::string_view fileBytes) {
    GroupAddressImport out;
    out.format = ImportFormat::Xml;
    if (fileBytes.starts_with(kBom))
        fileBytes.remove_prefix(kBom.size());
    const std::string_view encoding = DeclaredEncoding(fileBytes);
    std::string converted;  // the text in UTF-8, when the file is not
    std::string_view text = fileBytes;
    switch (EncodingNamed(encoding)) {
        case Encoding::Utf8:
            break;
        case Encoding::Cp1252:
            converted = Cp1252ToUtf8(fileBytes);
            text = converted;
            break;
        case Encoding::Other:
            out.refusal = ImportRefusal::UnsupportedEncoding;
            out.detail = Printable(encoding);
            return out;
    }

    const auto fail = [&out, text](size_t offset, std::string what) {
        const auto end = text.begin() + static_cast<std::ptrdiff_t>(std::min(offset, text.size()));
        out.refusal = ImportRefusal::XmlNotWellFormed;
        out.line = static_cast<size_t>(std::count(text.begin(), end, '\n')) + 1;
        out.detail = std::move(what);
        return out;
    };
    if (const size_t nul = text.find('\0'); nul != npos)
        return fail(nul, "NUL byte");
    MarkupCounts counts;
    if (auto error = CheckNesting(text, counts)) {
        if (!error->tooLarge)
            return fail(error->offset, std::move(error->what));
        out.refusal = ImportRefusal::NoGroupAddress;
        return out;
    }

    InSituDocument document(text, counts);
    try {
        document.Parse();
    } catch (const rapidxml::parse_error& error) {
        return fail(document.OffsetOf(error.where<char>()), error.what());
    }
    const rapidxml::xml_node<>* root = document.FirstElement();
    if (root == nullptr || LocalName(root) != "GroupAddress-Export") {
        out.refusal = ImportRefusal::NoGroupAddress;
        return out;
    }
    // Each address adds at most one item besides the 32 main and 256 middle groups.
    out.catalogue.items.reserve(std::min<size_t>(counts.elements, 65536) + 32 + 256);
    ExportWalk(out.catalogue).Children(root);
    return out;
}

}  // namespace halvex
