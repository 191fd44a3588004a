#include "gen/listing/SaveAsFields.h"

#include <cctype>

#include "common/CLocale.h"

namespace {

constexpr int kLatitudeColumn = 11;
constexpr int kLongitudeColumn = 23;
constexpr int kValueColumn = 35;
constexpr int kIdentColumn = 5;
constexpr size_t kBracketFlagLength = 5;  // "[MIL]"
constexpr size_t kBracketFlagStep = 6;    // "[MIL] "
constexpr size_t kSbsRunwayColumn = 28;

void AppendField(std::string& out, std::string_view field) {
    out += '|';
    out.append(field);
}

void AppendIfSet(std::string& out, std::string_view field) {
    if (!field.empty()) AppendField(out, field);
}

// The text of a height field ("  433'") up to its first "'", without leading blanks.
std::string HeightText(std::string_view field) {
    return std::string(SkipLeadingBlanks(field.substr(0, field.find('\''))));
}

// "UTC", its sign and digits and "+DST" at `at`; moves `at` behind it and one blank.
std::string_view TimeZoneAt(std::string_view names, size_t* at) {
    size_t j = *at;
    if (names.substr(j, 3) != "UTC") return {};
    j += 3;
    if (j < names.size() && (names[j] == '+' || names[j] == '-')) ++j;
    auto zoneChar = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.'; };
    while (j < names.size() && zoneChar(names[j])) ++j;
    if (names.substr(j, 4) == "+DST") j += 4;
    const std::string_view zone = names.substr(*at, j - *at);
    if (j < names.size() && names[j] == ' ') ++j;
    *at = j;
    return zone;
}

// "NAME-ID" as the batch country field "%-2s-%s": the id padded to two characters, then the
// name; nothing without a dash.
void AppendCountryField(std::string& out, std::string_view text) {
    const size_t dash = text.rfind('-');
    if (dash == std::string_view::npos) return;
    const size_t start = out.size();
    AppendCText(out, text.substr(dash + 1));
    if (out.size() - start < 2) out.append(2 - (out.size() - start), ' ');
    out += '-';
    AppendCText(out, text.substr(0, dash));
}

}  // namespace

ListingNames SplitListingNames(std::string_view names) {
    ListingNames parts;
    const size_t close = names.rfind(')');
    if (close == std::string_view::npos) return parts;
    parts.close = close;
    size_t open = std::string_view::npos;
    int depth = 0;
    for (size_t i = close; i-- > 0;) {
        if (names[i] == ')') {
            ++depth;
        } else if (names[i] == '(') {
            if (depth == 0) {
                open = i;
                break;
            }
            --depth;
        }
    }
    if (open == std::string_view::npos) open = names.find('(');
    if (open == std::string_view::npos || open > close) return parts;
    parts.bracketed = true;
    parts.open = open;
    parts.city = names.substr(0, open > 0 && names[open - 1] == ' ' ? open - 1 : open);
    parts.facility = names.substr(open + 1, close - open - 1);
    return parts;
}

void AppendBatchFields(const SplitListingLine& line, std::string& out) {
    const int type = line.Type();
    const std::string_view names = line.Last();
    const ListingNames parts = SplitListingNames(names);

    // Bracket flags after the facility ("[MIL] " groups from `flagsAt` on), then the time
    // zone; the rest is the country.
    const size_t close = names.rfind(')');
    size_t at = close == std::string_view::npos ? 0 : close + 2;
    const size_t flagsAt = at;
    size_t flagCount = 0;
    while (at < names.size() && names[at] == '[') {
        ++flagCount;
        at += kBracketFlagStep;
    }
    const std::string_view zone = at < names.size() ? TimeZoneAt(names, &at) : std::string_view();
    AppendCountryField(out, at < names.size() ? names.substr(at) : std::string_view());

    bool vrp = false;
    if (parts.bracketed) {
        std::string_view facility = parts.facility;
        if (type == kLineInt && facility.substr(0, 4) == "VRP ") {
            facility.remove_prefix(4);
            vrp = true;
        }
        AppendField(out, parts.city);
        AppendField(out, facility);
    }
    AppendField(out, line.Field(kLatitudeColumn));
    AppendField(out, line.Field(kLongitudeColumn));
    if (type != kLineInt) AppendField(out, SkipLeadingBlanks(line.Field(kValueColumn)));
    if (type == kLineApt) AppendIfSet(out, line.Field(42));
    if (type == kLineVor) {
        AppendIfSet(out, line.Field(45));
        AppendIfSet(out, line.Field(52));
        AppendIfSet(out, line.Field(42));
    }
    if (vrp) out += "|VRP";
    for (size_t i = flagCount; i-- > 0;) {
        AppendField(out, names.substr(flagsAt + i * kBracketFlagStep, kBracketFlagLength));
    }
    AppendIfSet(out, zone);
    if (type == kLineNdb) AppendIfSet(out, line.Field(41));
}

std::string BatchFieldsFromListing(const SplitListingLine& line) {
    std::string out;
    AppendBatchFields(line, out);
    return out;
}

std::string SbsWaypointLine(const SplitListingLine& line) {
    const int type = line.Type();
    if (type == kLineDetail) return {};
    const std::string height = type == kLineApt ? HeightText(line.Field(kValueColumn)) : "0";
    // The first four characters after the first '(' of the names, closed or not.
    const std::string_view names = line.Last();
    const size_t open = names.find('(');
    const std::string prefix(open == std::string_view::npos ? std::string_view() : names.substr(open + 1, 4));
    const std::string ident(line.Field(kIdentColumn));
    std::string name;
    int first = 0;
    int second = 0;
    switch (type) {
        case kLineApt:
            name = prefix + "/" + ident;
            first = 15;
            second = 2;
            break;
        case kLineInt:
            name = ident;
            first = 5;
            second = 2;
            break;
        case kLineNdb:
            name = prefix + "*" + ident;
            first = 4;
            second = 2;
            break;
        default:
            name = prefix + ">" + ident;
            first = 3;
            second = 1;
            break;
    }
    return StringFormatC("%s,,%d,%d,%s,%s,%s", name.c_str(), first, second,
                         std::string(SkipLeadingBlanks(line.Field(kLatitudeColumn))).c_str(),
                         std::string(SkipLeadingBlanks(line.Field(kLongitudeColumn))).c_str(), height.c_str());
}

std::string SbsAirportLine::Convert(const SplitListingLine& line) {
    if (line.Type() == kLineApt) {
        const std::string_view names = line.Last();
        const ListingNames parts = SplitListingNames(names);
        pending_ = StringFormatC("%s,%s,[%s] %s, F ---, R ---, H %s",
                                 std::string(SkipLeadingBlanks(line.Field(kLongitudeColumn))).c_str(),
                                 std::string(SkipLeadingBlanks(line.Field(kLatitudeColumn))).c_str(),
                                 std::string(line.Field(kIdentColumn)).c_str(),
                                 std::string(parts.bracketed ? parts.city : names).c_str(),
                                 HeightText(line.Field(kValueColumn)).c_str());
        if (parts.bracketed) {
            pending_ = StringFormatC("%s [%s]", pending_.c_str(), std::string(parts.facility).c_str());
        }
        return {};
    }
    if (line.Type() != kLineDetail || !line.Field(0).empty() || pending_.empty()) return {};
    const std::string_view frequency = line.Field(19);
    if (!frequency.empty()) {
        const size_t f = pending_.find("F ---");
        if (f != std::string::npos) pending_.replace(f + 2, 3, frequency);
    }
    std::string_view runway;
    if (line.Text().size() > kSbsRunwayColumn) {
        runway = SkipLeadingBlanks(line.Text().substr(kSbsRunwayColumn));
    }
    if (runway.size() > 3 && (runway[2] == '-' || runway[3] == '-')) {
        std::string pair(runway.substr(0, runway[2] == '-' ? 6 : 7));
        TrimLineEnd(pair);
        const size_t quote = runway.find('\'');
        const char surface = quote != std::string_view::npos && quote + 2 < runway.size() ? runway[quote + 2] : 'u';
        const size_t r = pending_.find("R ---");
        if (r != std::string::npos) {
            pending_ = StringFormatC("%s%s%c%s", pending_.substr(0, r + 2).c_str(), pair.c_str(), surface,
                                     pending_.substr(r + 5).c_str());
        }
    }
    std::string done;
    done.swap(pending_);
    return done;
}
