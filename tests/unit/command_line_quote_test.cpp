// The Windows command-line quoting of the window watcher (tests/win32/), on plain strings.
#include "win32/command_line_quote.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct QuoteRow {
    const wchar_t* argument;
    const wchar_t* quoted;
};

const QuoteRow kQuoteRows[] = {
    {L"ruz.exe", L"ruz.exe"},
    {L"", L"\"\""},
    {L"C:\\Program Files\\Taviks Ruz\\ruz.exe", L"\"C:\\Program Files\\Taviks Ruz\\ruz.exe\""},
    {L"C:\\songs\\", L"C:\\songs\\"},
    {L"C:\\my songs\\", L"\"C:\\my songs\\\\\""},
    {L"say \"hi\"", L"\"say \\\"hi\\\"\""},
    {L"a\\\"b", L"\"a\\\\\\\"b\""},
    {L"tab\there", L"\"tab\there\""},
    {L"\\\\server\\share", L"\\\\server\\share"},
    {L"Сплин — Романс", L"\"Сплин — Романс\""},
};

TEST(CommandLineQuote, WritesEachArgumentSoThatWindowsSplitsItBack) {
    for (const QuoteRow& row : kQuoteRows) {
        EXPECT_EQ(ruz::win32::quoteArgument(row.argument), std::wstring(row.quoted))
            << "argument of " << std::wstring(row.argument).size() << " characters";
    }
}

}  // namespace
