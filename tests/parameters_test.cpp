#include "shell/parameters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/cabinet.h"
#include "shell/text.h"

namespace korvane {
namespace {

std::string f2s(float v)
{
    char text[32];
    std::memset(text, 'x', sizeof text);
    float2string(v, text, 8);
    return text;
}

std::string display(int32_t index, float v)
{
    char text[64] = "untouched";
    parameterDisplay(index, v, text);
    return text;
}

TEST(NumberText, CutsDecimalsToEightCharacters)
{
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {5.0f, "5.000000"},   {100.0f, "100.0000"},   {525.0f, "525.0000"},     {1000.0f, "1000.000"},
        {0.0f, "0.000000"},   {-3.25f, "-3.25000"},   {0.7f, "0.699999"},       {12345678.0f, "2345678."},
        {9999999.0f, "9999999."}, {99999999.0f, "Huge!"}, {1e9f, "Huge!"},      {-1e7f, "Huge!"},
        {-0.5f, "-0.50000"},  {20.0f, "20.00000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(f2s(c.value), c.text) << "value " << c.value;
}

TEST(NumberText, RespectsTheMaximumLength)
{
    char text[8];
    std::memset(text, 'x', sizeof text);
    float2string(525.0f, text, 4);
    EXPECT_STREQ(text, "525.");
    float2string(525.0f, nullptr, 8);  // must not crash
}

TEST(ParameterTexts, DefaultsAndEdgesReadAsTheHostShowsThem)
{
    const struct {
        int32_t index;
        float value;
        const char* text;
    } cases[] = {
        {0, 1.0f, "Lead"},
        {0, 0.0f, "Clean"},
        {0, -0.0f, "Clean"},
        {0, 0.001f, "Lead"},
        {1, 0.5f, "100.0000"},
        {1, 0.0f, "0.000000"},
        {1, 1.0f, "200.0000"},
        {2, 0.5f, "525.0000"},
        {2, 0.0f, "50.00000"},
        {2, 1.0f, "1000.000"},
        {3, 0.5f, "5.000000"},
        {3, 1.0f, "10.00000"},
        {3, 0.07f, "0.699999"},
        {3, 2.0f, "20.00000"},
        {3, -0.5f, "-5.00000"},
        {8, 0.5f, "5.000000"},
        {9, 0.5f, "Modern American 4x12"},
        {9, 0.125f, "Vintage American 4x10"},
        {9, 0.124f, "Disengaged"},
        {9, -3.0f, "Disengaged"},
        {9, 0.875f, "Vintage British 4x12"},
        {9, 1.0f, "Vintage British 4x12"},
        {9, 7.0f, "Vintage British 4x12"},
        {9, 0.3f, "Boutique American 2x12"},
        {9, 0.45f, "Modern American 2x12"},
        {9, 0.7f, "Boutique British 4x12"},
        {9, 0.8f, "Modern British 4x12"},
        {10, 0.0f, "Off"},
        {10, 0.001f, "On"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(display(c.index, c.value), c.text) << "parameter " << c.index << " at " << c.value;
}

TEST(ParameterTexts, NamesAndLabelsFitTheHostBuffer)
{
    const char* names[] = {"Channel", "Input Sensitivity", "Thump", "Preamp Drive", "Bass", "Middle",
                           "Treble", "Poweramp Drive", "Output Volume", "Loudspeaker Cabinet", "Bypass"};
    const char* labels[] = {"Channel", "%", "Hz", "Level", "Level", "Level", "Level", "Level", "Level", " ", " "};
    for (int32_t i = 0; i < 11; ++i) {
        char name[24], label[24];
        parameterName(i, name);
        parameterLabel(i, label);
        EXPECT_STREQ(name, names[i]);
        EXPECT_STREQ(label, labels[i]);
    }
}

TEST(ParameterTexts, OutOfRangeIndicesAndNullBuffersWriteNothing)
{
    for (int32_t index : {-1, 11, 50}) {
        char text[24] = "keep";
        parameterName(index, text);
        parameterLabel(index, text);
        parameterDisplay(index, 0.5f, text);
        EXPECT_STREQ(text, "keep");
    }
    parameterName(0, nullptr);
    parameterLabel(0, nullptr);
    parameterDisplay(9, 0.5f, nullptr);
}

TEST(CabinetSelection, EighthsIncludeTheirLowerBound)
{
    const struct {
        float v;
        uint32_t cabinet;
    } cases[] = {{0.1249f, 0}, {0.125f, 1}, {0.25f, 2}, {0.375f, 3}, {0.5f, 4},
                 {0.625f, 5},  {0.75f, 6},  {0.875f, 7}, {1.0f, 7},  {-1.0f, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(cabinetForValue(c.v), c.cabinet) << c.v;
}

TEST(BoundedText, CopiesAtMostCapacityMinusOneAndTerminates)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_TRUE(copyText(buffer, "a long program name", 5));
    EXPECT_STREQ(buffer, "a lo");
    EXPECT_EQ(buffer[5], 'x');
    EXPECT_FALSE(copyText(nullptr, "x", 5));
    EXPECT_TRUE(copyText(buffer, nullptr, 5));
    EXPECT_STREQ(buffer, "");
}

} // namespace
} // namespace korvane
