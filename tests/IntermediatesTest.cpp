// No text passes for an intermediate: many texts in every encoding that
// Windows writes, under each of the nine names read before they go.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "engine/Intermediates.h"

TEST(Intermediates, NoTextPassesForOne)
{
    // Words in many scripts, and those that begin as a signature would in
    // some encoding: x86's and x64's machines, OMF's 0x80, a 16-bit
    // resource's 0xFF, in UTF-16 or an ANSI code page.
    static const wchar_t* const kWords[] = {
        L"Zażółć", L"gęślą", L"jaźń", L"Привет", L"мир", L"日本語", L"テキスト", L"中文", L"Ελληνικά",
        L"שלום", L"hello", L"[Strings]", L"OK=Tak", L"<html>", L"3.14", L"#", L"\t", L"\r\n",
        L"Ōsaka", L"虤", L"ꩤ", L"む", L"耀", L"％", L"ÿ", L"€", L"Ŕ", L"BCŔŢ", L"VCPCH0", L"BSJB",
    };
    std::mt19937 random(2026);
    for (int text = 0; text < 2000; ++text) {
        std::wstring words;
        for (int count = 1 + random() % 60; count > 0; --count)
            words.append(kWords[random() % std::size(kWords)]).append(random() % 3 ? L" " : L"");
        std::string little(reinterpret_cast<const char*>(words.data()), words.size() * 2), big = little;
        for (size_t at = 0; at + 1 < big.size(); at += 2)
            std::swap(big[at], big[at + 1]);
        // UTF-16 LE and BE, each without and with its mark; the code pages; UTF-8, then with its mark.
        std::vector<std::string> encoded = {little, "\xFF\xFE" + little, big, "\xFE\xFF" + big};
        for (UINT page : {1250u, 1251u, 1252u, 932u, 936u, unsigned{CP_UTF8}}) {
            std::string bytes(words.size() * 4, '\0');
            bytes.resize(WideCharToMultiByte(page, 0, words.data(), int(words.size()), &bytes[0],
                                             int(bytes.size()), nullptr, nullptr));
            encoded.push_back(bytes);
        }
        encoded.push_back("\xEF\xBB\xBF" + encoded.back());  // UTF-8 with its mark
        for (const std::string& bytes : encoded)
            for (const char* name : {"a.pch", "a.idb", "a.ilk", "a.obj", "a.res", "a.pdb", "a.ncb", "a.aps", "a.plg"})
                ASSERT_FALSE(BeginsAsIntermediate(name, reinterpret_cast<const unsigned char*>(bytes.data()),
                                                  std::min<size_t>(bytes.size(), kHeadBytes), bytes.size()))
                    << name << ", encoding " << &bytes - encoded.data() << " (in the order above)";
    }
}
