#include "input3ds/MaterialName.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// skinIndex, typeCode, flagW, flagB, flagF, flagE, flagN, xByte, cByte
using Fields = std::array<int, 9>;

Fields FieldsOf(const TriangleOptions& o)
{
    return {o.skinIndex, o.typeCode, o.flagW, o.flagB, o.flagF, o.flagE, o.flagN, o.xByte, o.cByte};
}

} // namespace

TEST(MaterialName, OptionsFollowTheSkinConvention)
{
    struct Case {
        const char* name;
        Fields fields;
    };
    const Case kCases[] = {
        {"Skin3TW", {3, 2, 1, 0, 0, 0, 0, 0, 0}},
        {"skin1x1ac0f", {1, 0, 0, 0, 0, 0, 0, 0x1A, 0x0F}},
        {"SKIN0X1AC0F", {0, 0, 0, 0, 0, 0, 0, 0x1A, 0x0F}},
        {"skin9", {9, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"skin02", {0, 1, 0, 0, 0, 0, 0, 0, 0}},
        {"skin0m", {0, 3, 0, 0, 0, 0, 0, 0, 0}},
        {"skin0o", {0, 4, 0, 0, 0, 0, 0, 0, 0}},
        {"skin0ot2", {0, 1, 0, 0, 0, 0, 0, 0, 0}},          // the last type letter counts
        {"skin7wbfen", {7, 0, 1, 1, 1, 1, 1, 0, 0}},
        {"skin0 -_w!", {0, 0, 1, 0, 0, 0, 0, 0, 0}},        // other characters are ignored
        {"skin0xffx02", {0, 0, 0, 0, 0, 0, 0, 0x01, 0}},    // pairs add modulo 256
        {"skin0c80c80c01", {0, 0, 0, 0, 0, 0, 0, 0, 0x01}},
        {"skin0xbe", {0, 0, 0, 0, 0, 0, 0, 0xBE, 0}},       // hex digits are consumed, not read as flags
        {"skin0xfet", {0, 2, 0, 0, 0, 0, 0, 0xFE, 0}},
        {"skin0x1", {0, 0, 0, 0, 0, 0, 0, 0, 0}},           // one digit: the letter is ignored
        {"skin0xgw", {0, 0, 1, 0, 0, 0, 0, 0, 0}},          // not hex: the letter is ignored
        {"skin0x", {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"skin0c0", {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"skin00", {0, 0, 0, 0, 0, 0, 0, 0, 0}},             // only the fifth character is the index
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        TriangleOptions options;
        options.skinIndex = 42;
        options.flagN = 42;
        ASSERT_TRUE(ParseMaterialName(c.name, options));
        EXPECT_EQ(FieldsOf(options), c.fields);
    }
}

TEST(MaterialName, NamesOutsideTheConventionChangeNothing)
{
    for (const char* name : {"", "skin", "skinA", "skin_1", "Skin", "askin1", "skn12", "sk1n1", "SKINX2"}) {
        SCOPED_TRACE(name);
        TriangleOptions options;
        options.skinIndex = 42;
        options.typeCode = 42;
        options.cByte = 42;
        EXPECT_FALSE(ParseMaterialName(name, options));
        EXPECT_EQ(FieldsOf(options), (Fields{42, 42, 0, 0, 0, 0, 0, 0, 42}));
    }
}
