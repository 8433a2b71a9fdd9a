#include "host/parameter_setting.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

#include "host/failure.h"
#include "host/plugin.h"

namespace korvane::host {

namespace {

std::string trim(const std::string& s)
{
    const auto space = [](unsigned char c) { return std::isspace(c) != 0; };
    auto b = std::find_if_not(s.begin(), s.end(), space);
    auto e = std::find_if_not(s.rbegin(), std::string::const_reverse_iterator(b), space).base();
    return std::string(b, e);
}

std::string lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool sameWords(const std::string& a, const std::string& b)
{
    return lower(trim(a)) == lower(trim(b));
}

struct LeadingNumber {
    double number;
    std::string rest;  // trimmed
};

// A finite decimal number at the start of text, in any locale.
std::optional<LeadingNumber> leadingNumber(const std::string& text)
{
    const std::string s = trim(text);
    const char* p = s.data();
    const char* end = p + s.size();
    if (p != end && *p == '+')
        ++p;
    if (p == end || !(std::isdigit(static_cast<unsigned char>(*p)) || *p == '.' || *p == '-'))
        return std::nullopt;
    double x = 0.0;
    const auto [next, ec] = std::from_chars(p, end, x);
    if (ec != std::errc{} || !std::isfinite(x))
        return std::nullopt;
    return LeadingNumber{x, trim(std::string(next, end))};
}

// Places after the decimal point in a display text: how finely it can show
// a value, so how close a found value must come.
double displayStep(const std::string& text)
{
    const auto dot = text.find('.');
    if (dot == std::string::npos)
        return 1.0;
    int places = 0;
    for (size_t i = dot + 1; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        ++places;
    return std::pow(10.0, -places);
}

Failure usage(const Assignment& a, const std::string& why)
{
    return Failure(kExitUsage, "--set \"" + a.written + "\": " + why);
}

int32_t findParameter(const Plugin& plugin, const Assignment& a)
{
    const int32_t count = plugin.effect().numParams;
    const std::string wanted = trim(a.parameter);
    if (std::all_of(wanted.begin(), wanted.end(), [](unsigned char c) { return std::isdigit(c) != 0; })) {
        const long index = wanted.size() <= 9 ? std::stol(wanted) : -1;
        if (index < 0 || index >= count)
            throw usage(a, "no parameter " + wanted + "; " + plugin.title() + " has " +
                               (count > 0 ? "0.." + std::to_string(count - 1) : "none"));
        return static_cast<int32_t>(index);
    }
    std::string names;
    for (int32_t i = 0; i < count; ++i) {
        const std::string name = plugin.parameterName(i);
        if (sameWords(name, wanted))
            return i;
        names += (i == 0 ? "" : ", ") + trim(name);
    }
    throw usage(a, "unknown parameter \"" + wanted + "\"; " + plugin.title() + " has: " + names);
}

class ParameterProbe {
public:
    ParameterProbe(const Plugin& p, int32_t i) : plugin(p), index(i), label(trim(p.parameterLabel(i))) {}

    std::string showing(float value) const
    {
        plugin.setParameter(index, value);
        return trim(plugin.parameterDisplay(index));
    }

    // The display read as a number, with or without the unit after it.
    std::optional<double> number(float value) const
    {
        const auto n = leadingNumber(showing(value));
        if (!n || !(n->rest.empty() || sameWords(n->rest, label)))
            return std::nullopt;
        return n->number;
    }

    const Plugin& plugin;
    const int32_t index;
    const std::string label;
};

// The value whose display reads `target`, by bisection: a generic host
// cannot know the plug-in's mapping, only that its display follows it.
float valueShowingNumber(const ParameterProbe& probe, double target, const Assignment& a)
{
    const auto at0 = probe.number(0.0f);
    const auto at1 = probe.number(1.0f);
    const std::string name = trim(probe.plugin.parameterName(probe.index));
    if (!at0 || !at1 || *at0 == *at1)
        throw usage(a, name + " does not show its value as a number in " + probe.label + "; give 0..1");
    const double tolerance = std::max(displayStep(probe.showing(0.0f)), 1e-6 * std::fabs(*at1 - *at0));
    if (std::fabs(target - *at0) <= tolerance / 2)
        return 0.0f;
    if (std::fabs(target - *at1) <= tolerance / 2)
        return 1.0f;
    if (target < std::min(*at0, *at1) || target > std::max(*at0, *at1))
        throw usage(a, "out of range: " + name + " goes from " + probe.showing(0.0f) + " to " + probe.showing(1.0f) +
                           " " + probe.label);

    const bool rising = *at1 > *at0;
    double below = 0.0, above = 1.0;  // display on either side of the target
    for (int i = 0; i < 64; ++i) {
        const double middle = 0.5 * (below + above);
        const auto m = static_cast<float>(middle);
        if (m == static_cast<float>(below) || m == static_cast<float>(above))
            break;
        const auto shown = probe.number(m);
        if (!shown)
            throw usage(a, name + " shows \"" + probe.showing(m) + "\", not a number in " + probe.label);
        if ((*shown < target) == rising)
            below = middle;
        else
            above = middle;
    }
    const auto lo = static_cast<float>(below), hi = static_cast<float>(above);
    const double missLo = std::fabs(probe.number(lo).value_or(HUGE_VAL) - target);
    const double missHi = std::fabs(probe.number(hi).value_or(HUGE_VAL) - target);
    const float best = missLo < missHi ? lo : hi;
    const std::string shown = probe.showing(best);
    if (std::min(missLo, missHi) > std::max(tolerance, displayStep(shown)))
        throw usage(a, name + " cannot show " + trim(a.value) + "; nearest is " + shown + " " + probe.label);
    return best;
}

// The value for one of the parameter's display texts. Values are read on a
// fine grid; an end of the range is taken when the text shows there (as for
// a switch's "On"), else the middle of the first stretch that shows it, well
// away from where the text changes. Nothing when no value shows the text;
// for a parameter with a few settings (up to 32), the message lists them.
std::optional<float> valueShowingText(const ParameterProbe& probe, const Assignment& a)
{
    constexpr int kSteps = 1024;
    std::vector<std::string> shown(kSteps + 1);
    for (int k = 0; k <= kSteps; ++k)
        shown[static_cast<size_t>(k)] = probe.showing(static_cast<float>(k) / kSteps);

    const auto matches = [&](int k) { return sameWords(shown[static_cast<size_t>(k)], a.value); };
    if (matches(0))
        return 0.0f;
    if (matches(kSteps))
        return 1.0f;
    for (int first = 1; first < kSteps; ++first) {
        if (!matches(first))
            continue;
        int last = first;
        while (last + 1 < kSteps && matches(last + 1))
            ++last;
        return static_cast<float>(first + last) / (2.0f * kSteps);
    }

    std::vector<std::string> texts;
    for (const std::string& s : shown)
        if (std::find(texts.begin(), texts.end(), s) == texts.end())
            texts.push_back(s);
    if (texts.size() > 32)
        return std::nullopt;
    std::string list;
    for (const std::string& s : texts)
        list += (list.empty() ? "" : ", ") + s;
    throw usage(a, "\"" + trim(a.value) + "\" is not a setting of " + trim(probe.plugin.parameterName(probe.index)) +
                       "; it shows: " + list);
}

} // namespace

Assignment parseAssignment(const std::string& argument)
{
    const auto eq = argument.find('=');
    Assignment a{eq == std::string::npos ? argument : argument.substr(0, eq),
                 eq == std::string::npos ? "" : argument.substr(eq + 1), argument};
    if (eq == std::string::npos || trim(a.parameter).empty() || trim(a.value).empty())
        throw Failure(kExitUsage, "--set expects NAME_OR_INDEX=VALUE, got \"" + argument + "\"");
    return a;
}

AppliedSetting applyAssignment(const Plugin& plugin, const Assignment& a)
{
    const int32_t index = findParameter(plugin, a);
    const ParameterProbe probe(plugin, index);
    const std::string name = trim(plugin.parameterName(index));
    const auto number = leadingNumber(a.value);

    float value = 0.0f;
    if (number && number->rest.empty()) {
        if (number->number < 0.0 || number->number > 1.0) {
            const std::string hint = probe.label.empty() ? "" : "; in its unit, write \"" + trim(a.value) + " " +
                                                                    probe.label + "\"";
            throw usage(a, "out of range: a bare number is the normalised value, 0..1" + hint);
        }
        value = static_cast<float>(number->number);
    } else if (number && !probe.label.empty() && sameWords(number->rest, probe.label)) {
        value = valueShowingNumber(probe, number->number, a);
    } else {
        const auto text = valueShowingText(probe, a);
        if (!text) {
            const std::string unit = probe.label.empty() ? "" : ", or a number in " + probe.label;
            throw usage(a, "\"" + trim(a.value) + "\" is not a value of " + name + "; give 0..1" + unit);
        }
        value = *text;
    }

    plugin.setParameter(index, value);
    std::string shown = trim(plugin.parameterDisplay(index));
    if (!probe.label.empty())
        shown += " " + probe.label;
    return {index, name, value, shown};
}

} // namespace korvane::host
