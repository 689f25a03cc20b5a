// The verify switch against the C runtime's own case folding.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "run_tool.h"

namespace {

struct SwitchCase {
    const wchar_t* argument;
    bool matches;
};

std::string Printable(const wchar_t* text) {
    std::string out;
    for (; *text != L'\0'; ++text) {
        const auto c = static_cast<unsigned long>(*text);
        out += (c >= 0x20 && c < 0x7F) ? std::string(1, static_cast<char>(c)) : "\\u" + std::to_string(c);
    }
    return out;
}

// The ASCII cases hold in every locale.
const SwitchCase kAsciiCases[] = {
    {L"/Verify", true},   {L"-Verify", true},   {L"/verify", true},   {L"-VERIFY", true},
    {L"/vErIfY", true},   {L"Verify", false},   {L"--Verify", false}, {L"//Verify", false},
    {L"/Verify:", false}, {L"/Verif", false},   {L"/", false},        {L"-", false},
    {L"", false},         {L"/Verify ", false}, {L" /Verify", false}, {L"\\Verify", false},
    {L"+Verify", false},  {L"/Verifyy", false}, {L"/erify", false},   {L"/V", false},
};

class VerifySwitch : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        if (std::setlocale(LC_ALL, GetParam()) == nullptr) {
            GTEST_SKIP() << "locale " << GetParam() << " is not available here";
        }
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_P(VerifySwitch, AsciiLettersFoldAndNothingElseIsAccepted) {
    for (const SwitchCase& c : kAsciiCases) {
        EXPECT_EQ(IsVerifySwitch(c.argument), c.matches) << "argument \"" << Printable(c.argument) << "\"";
    }
}

TEST_P(VerifySwitch, LookAlikeLettersNeverMatch) {
    const wchar_t* lookAlikes[] = {
        L"/\xFF36\xFF45\xFF52\xFF49\xFF46\xFF59",  // full-width letters
        L"\xFF0FVerify",                           // full-width solidus
        L"/Ver\x0131" L"fy",                       // dotless i
        L"/Veri\x0192y",                           // f with hook
        L"/Verify\x0301",                          // a trailing combining accent
    };
    for (const wchar_t* argument : lookAlikes) {
        EXPECT_FALSE(IsVerifySwitch(argument)) << "argument \"" << Printable(argument) << "\"";
    }
}

std::string LocaleLabel(const ::testing::TestParamInfo<const char*>& p) {
    const std::string name = p.param;
    return name == "C" ? "C" : name.empty() ? "UserDefault" : "CUtf8";
}

// "" is the user's default, whatever the environment names.
INSTANTIATE_TEST_SUITE_P(Locales, VerifySwitch, ::testing::Values("C", "", "C.UTF-8"), LocaleLabel);

TEST(VerifySwitchCLocale, OnlyAToZFold) {
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    // Capital I with dot above folds to 'i' in some locales' rules, never in "C".
    EXPECT_FALSE(IsVerifySwitch(L"/VER\x0130" L"FY"));
}

}  // namespace
