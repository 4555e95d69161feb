// The table of first bytes against texts of any size in every encoding that
// Windows writes, under each of the nine names read before they go, and
// against resources past 4 GiB. (Real files of both verdicts: console.sh.)
#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "engine/base/Kept.h"
#include "engine/judging/Intermediates.h"

namespace {

const char* const kNames[] = {"a.pch", "a.idb", "a.ilk", "a.obj", "a.res", "a.pdb", "a.ncb", "a.aps", "a.plg"};

// A file of `size` bytes that repeats `bytes`, read on as the checked
// delete reads on.
struct RepeatedFile : CReadOn {
    RepeatedFile(const std::string& bytes, ULONGLONG size) : bytes(bytes), size(size) {}

    DWORD ReadAt(ULONGLONG offset, unsigned char* into, DWORD count) override
    {
        ++reads;
        for (DWORD at = 0; at < count; ++at, ++offset)
            into[at] = bytes[offset % bytes.size()];
        return offset <= size ? ERROR_SUCCESS : DWORD{kKeptShortRead};
    }
    DWORD Judge(const char* name)
    {
        const DWORD length = static_cast<DWORD>(std::min<ULONGLONG>(size, kHeadBytes));
        if (!reads)
            ReadAt(0, head, length);
        return JudgeIntermediate(name, head, length, size, this);
    }

    const std::string bytes;
    const ULONGLONG size;
    int reads = 0;
    unsigned char head[kHeadBytes];
};

}  // namespace

// No text passes, whatever its size: texts in UTF-16 either way with and
// without its mark, ANSI code pages and UTF-8, repeated to files of the
// head's size up to 64 MB and past 4 GiB, under each of the nine names.
// Among the words, those that begin as a signature would in some encoding:
// x86's and x64's machines, OMF's 0x80, a 16-bit resource's 0xFF and the
// entry that a chapter's number after a mark makes of it.
TEST(Intermediates, NoTextPassesForOneOfAnySize)
{
    static const wchar_t* const kWords[] = {
        L"第10章", L"第3章", L"“I a", L"“A m", L"—I p", L"Zażółć", L"gęślą", L"jaźń", L"Привет", L"мир", L"日本語",
        L"テキスト", L"中文", L"Ελληνικά", L"שלום", L"hello", L"[Strings]", L"OK=Tak", L"<html>", L"3.14", L"#", L"\t",
        L"\r\n", L"Ōsaka", L"虤", L"ꩤ", L"む", L"耀", L"％", L"ÿ", L"€", L"Ŕ", L"BCŔŢ", L"VCPCH0", L"BSJB",
    };
    const ULONGLONG kSizes[] = {0, kHeadBytes + 1, 1 << 20, 64 << 20, (1ull << 32) + 4099};
    int readOn = 0;  // files that a rule read on past their head
    std::mt19937 random(2026);
    for (int text = 0; text < 1000; ++text) {
        std::wstring words;
        for (int count = 1 + random() % 400; count > 0; --count)
            words.append(kWords[random() % std::size(kWords)]).append(random() % 3 ? L" " : L"");
        std::string little(reinterpret_cast<const char*>(words.data()), words.size() * 2), big = little;
        for (size_t at = 0; at + 1 < big.size(); at += 2)
            std::swap(big[at], big[at + 1]);
        std::vector<std::string> encoded = {little, "\xFF\xFE" + little, big, "\xFE\xFF" + big};
        for (UINT page : {1250u, 1251u, 1252u, 932u, 936u, unsigned{CP_UTF8}}) {
            std::string bytes(words.size() * 4, '\0');
            bytes.resize(WideCharToMultiByte(page, 0, words.data(), int(words.size()), &bytes[0],
                                             int(bytes.size()), nullptr, nullptr));
            encoded.push_back(bytes);
        }
        encoded.push_back("\xEF\xBB\xBF" + encoded.back());  // UTF-8 with its mark
        for (const std::string& bytes : encoded)
            for (ULONGLONG size : kSizes) {
                RepeatedFile file(bytes, size ? size : bytes.size());
                for (const char* name : kNames)
                    ASSERT_NE(DWORD{ERROR_SUCCESS}, file.Judge(name))
                        << name << ", encoding " << &bytes - encoded.data() << " (in the order above), " << file.size;
                readOn += file.reads > 1;
            }
    }
    EXPECT_GT(readOn, 0) << "no text was read on: the rule that reads on was never tried";
}

// Every rule decides on the bytes it was given, never on those beyond
// `length`: each file is the shortest that its rule takes, and goes; every
// shorter length of it stays, its buffer still holding the bytes that would
// complete it. (A COFF header's sections are bounded by the file's size.)
// A failed read on decides as the failure, not as "not an intermediate".
TEST(Intermediates, DecideOnlyOnTheBytesRead)
{
    const std::pair<const char*, std::string> kShortest[] = {
        {"a.obj", std::string("\0\0\xFF\xFF\x01\0\x64\x86", 8)},
        {"a.obj", std::string("\x80\x03\0\x01\x61\x1B", 6)},  // THEADR "a", its checksum
        {"a.obj", std::string("BC\xC0\xDE\x35\x14\0\0", 8)},
        {"a.obj", std::string("\xDE\xC0\x17\x0B\0\0\0\0\x14\0\0\0\0\0\0\0\x07\0\0\x01", 20)},
        {"a.pch", std::string("CPCH\x35\x14\0\0", 8)},
        {"a.pch", std::string("VCPCH0\x01\x02\x03\0", 10)},
        {"a.pdb", std::string("Microsoft C/C++ MSF 7.00\r\n\x1A" "DS\0\0\0\0\x10\0\0", 36)},
        {"a.pdb", std::string("Microsoft C/C++ program database 2.00\r\n\x1A" "JG\0\0\0\x04\0\0", 48)},
        {"a.pdb", std::string("BSJB\x01\0\x01\0\0\0\0\0\x0C\0\0\0PDB v1.0", 24)},
        {"a.res", std::string("\0\0\0\0\x20\0\0\0\xFF\xFF\0\0\xFF\xFF\0\0", 16)},
        {"a.res", std::string("\xFF\x01\0\xFF\x01\0\x30\x10\0\0\0\0", 12)},
        {"a.ilk", std::string("Microsoft Linker Database\n\x07\x1A\0\0", 30)},
        {"a.plg", "<html>\n<body>\n<pre>\n<h1>Build Log</h1>\n"},
    };
    for (const auto& [name, bytes] : kShortest) {
        const auto* const head = reinterpret_cast<const unsigned char*>(bytes.data());
        EXPECT_EQ(DWORD{ERROR_SUCCESS}, JudgeIntermediate(name, head, bytes.size(), bytes.size()))
            << name << " of " << bytes.size() << " bytes";
        for (size_t length = 1; length < bytes.size(); ++length)
            EXPECT_NE(DWORD{ERROR_SUCCESS}, JudgeIntermediate(name, head, length, length))
                << name << " of " << bytes.size() << " bytes, read to " << length;
    }

    struct : CReadOn {
        DWORD ReadAt(ULONGLONG, unsigned char*, DWORD) override { return ERROR_LOCK_VIOLATION; }
    } locked;
    const unsigned char entry[kHeadBytes] = {0xFF, 1, 0, 0xFF, 1, 0, 0x30, 0x10, 0, 0x20};  // its data ends past the head
    EXPECT_EQ(DWORD{ERROR_LOCK_VIOLATION}, JudgeIntermediate("a.res", entry, kHeadBytes, 0x2018, &locked));
}

// No further than a 16-bit resource table reaches: 65,536 entries go, one
// more stays. (Past 4 GiB, through a real handle: ConfinedDeleteTest.cpp.)
TEST(Intermediates, FollowsA16BitResourceToItsEnd)
{
    const std::string entry("\xFF\x01\x00\xFF\x01\x00\x30\x10\x00\x00\x00\x00", 12);
    for (ULONGLONG entries : {0x10000ull, 0x10001ull}) {
        RepeatedFile file(entry, entries * entry.size());
        EXPECT_EQ(entries == 0x10000 ? DWORD{ERROR_SUCCESS} : DWORD{kKeptNotIntermediate}, file.Judge("a.res"))
            << entries << " entries";
    }
}
