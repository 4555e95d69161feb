// Intermediates.cpp: the first bytes of every intermediate, by extension.
//
// Each rule is a proof, not a hint: fixed bytes that hold a byte no text
// has (a NUL, a control character) or the whole record that the tool
// writes first, parsed and checked against the file's size. No text in any
// encoding Windows writes (the ANSI code pages, UTF-8, UTF-16 either way,
// with or without a mark) passes, nor the first bytes of a picture, a
// sound, a video, an archive, a document or a program.
#include "engine/judging/Intermediates.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/base/Kept.h"

namespace {

// Bytes read from a file, with bounds checks that cannot wrap.
struct Bytes {
    const unsigned char* bytes;
    size_t length;

    bool Has(size_t at, size_t count) const { return at <= length && count <= length - at; }
    WORD Word(size_t at) const { return static_cast<WORD>(bytes[at] | bytes[at + 1] << 8); }
    DWORD Dword(size_t at) const { return Word(at) | static_cast<DWORD>(Word(at + 2)) << 16; }
};

// What a rule sees of a file: its first bytes, its size, and the rest
// through `rest` (may be null). Sizes and offsets in the file are 64-bit.
struct Head : Bytes {
    ULONGLONG size;  // as the file's handle gives it
    CReadOn* rest;
};

// The machines of a COFF object's header (IMAGE_FILE_MACHINE_*) that a
// Microsoft compiler, assembler or resource compiler wrote objects for, each
// with the tools that did. The plain object and the anonymous one take the
// same machines. Left out, as no Microsoft tool wrote their objects: SH3E
// (0x01A4), AM33 (0x01D3), TriCore (0x0520), CEF (0x0CEF), EFI byte code
// (0x0EBC, Intel's compiler), M32R (0x9041) and CEE (0xC0EE).
constexpr WORD kCoffMachines[] = {
    0x014C,  // x86: every Visual C++, from 1.0 (32-bit) on
    0x8664,  // x64: the Platform SDK's compilers for AMD64, Visual Studio 2005 on
    0x0200,  // Itanium: the Platform SDK's compilers, Visual Studio 2005 to 2010
    0xAA64,  // ARM64: Visual Studio 2017 (15.9) on
    0xA641,  // ARM64EC: Visual Studio 2019 (16.10) on
    0xA64E,  // ARM64X: Visual Studio 2022's tools, for import objects of ARM64X libraries
    0x01C0,  // ARM: eMbedded Visual C++ 3 and 4, Visual Studio 2005 and 2008 for Windows CE
    0x01C2,  // Thumb: eMbedded Visual C++ 4 and Visual Studio 2005 and 2008 for Windows CE (/QRthumb)
    0x01C4,  // ARMv7 (Thumb-2): Visual Studio 2012 on, for Windows RT, Phone and IoT
    0x0162,  // MIPS R3000: the MIPS compilers of Windows NT 3 and of the first Windows CE toolkits
    0x0166,  // MIPS R4000: Visual C++ 2 to 4 for Windows NT on MIPS; eMbedded Visual C++ for Windows CE
    0x0168,  // MIPS R10000: the MIPS compilers of Windows NT 4
    0x0169,  // MIPS for Windows CE (WCEMIPSV2): eMbedded Visual C++ 3 and 4
    0x0266,  // MIPS16: eMbedded Visual C++ 3 and 4 for Windows CE
    0x0366,  // MIPS with FPU: eMbedded Visual C++ 3 and 4 for Windows CE
    0x0466,  // MIPS16 with FPU: eMbedded Visual C++ 3 and 4 for Windows CE
    0x0184,  // Alpha: Visual C++ 2 to 6 for Windows NT on Alpha
    0x0284,  // Alpha 64: the Platform SDK's compilers for 64-bit Windows 2000 on Alpha
    0x01F0,  // PowerPC: Visual C++ 2 and 4 for Windows NT on PowerPC; Windows CE 2
    0x01F1,  // PowerPC with FPU: the same, with floating point
    0x01F2,  // PowerPC, big-endian: Visual Studio 2005 to 2010 with the Xbox 360 SDK
    0x01A2,  // SH3: Windows CE toolkits, eMbedded Visual C++ 3 and 4
    0x01A3,  // SH3 DSP: eMbedded Visual C++ 4 for Windows CE
    0x01A6,  // SH4: Windows CE toolkits, eMbedded Visual C++ 3 and 4, Visual Studio 2005 and 2008
    0x01A8,  // SH5: Platform Builder for Windows CE .NET
};

bool IsCoffMachine(WORD machine)
{
    return std::count(std::begin(kCoffMachines), std::end(kCoffMachines), machine) != 0;
}

// A COFF object: a known machine; no optional header (bytes 16-17), which
// only images have; at least one section, whose headers fit in the file;
// and a symbol table, with the size of the strings after it, that fits
// after them.
bool IsCoffObject(const Head& head)
{
    if (!head.Has(0, sizeof(IMAGE_FILE_HEADER)) || !IsCoffMachine(head.Word(0)) || head.Word(16) != 0)
        return false;
    const unsigned long long sections = head.Word(2), symbols = head.Dword(8), count = head.Dword(12);
    const unsigned long long headers = sizeof(IMAGE_FILE_HEADER) + sections * sizeof(IMAGE_SECTION_HEADER);
    if (sections == 0 || headers > head.size)
        return false;
    return count == 0 ? symbols == 0 || symbols <= head.size
                      : symbols >= headers && symbols + count * 18 + 4 <= head.size;  // IMAGE_SIZEOF_SYMBOL
}

// An anonymous object (/GL, /bigobj, /clr) or an import object: no
// machine at the start, 0xFFFF, a version up to 2, and a known machine.
bool IsAnonymousObject(const Head& head)
{
    return head.Has(0, 8) && head.Dword(0) == 0xFFFF0000 && head.Word(4) <= 2 && IsCoffMachine(head.Word(6));
}

// An OMF object of the 16-bit compilers and assemblers: a first record
// THEADR (0x80) or LHEADR (0x82), whole, whose length (bytes 1-2) is its
// name's (a length byte, then printable characters) and its checksum's, and
// whose bytes add up to 0, checksum included; or whose checksum is 0, which
// the format lets a tool write for none, as Borland's always do.
bool IsOmfObject(const Head& head)
{
    if (!head.Has(0, 4) || (head.bytes[0] != 0x80 && head.bytes[0] != 0x82))
        return false;
    const size_t name = head.bytes[3], record = 3u + head.Word(1);
    if (head.Word(1) != name + 2 || name == 0 || !head.Has(0, record))
        return false;
    const unsigned char* const text = head.bytes + 4;
    unsigned char sum = 0;
    for (size_t at = 0; at < record; ++at)
        sum = static_cast<unsigned char>(sum + head.bytes[at]);
    return (sum == 0 || head.bytes[record - 1] == 0) &&
           std::all_of(text, text + name, [](unsigned char c) { return c >= 0x20 && c < 0x7F; });
}

// How far a 16-bit resource's type or name at `at` reaches: 0xFF and a
// number below 0x8000, or up to 255 printable characters ended by a NUL.
// 0: it is neither, or the bytes end first.
size_t ResourceId(const Bytes& entry, size_t at)
{
    if (entry.Has(at, 3) && entry.bytes[at] == 0xFF)
        return entry.Word(at + 1) == 0 || entry.Word(at + 1) >= 0x8000 ? 0 : at + 3;
    for (size_t end = at; end < at + 256 && entry.Has(end, 1); ++end) {
        if (entry.bytes[end] == 0)
            return end > at ? end + 1 : 0;
        if (entry.bytes[end] < 0x20 || entry.bytes[end] >= 0x7F)
            return 0;
    }
    return 0;
}

// The longest header of a 16-bit resource's entry: two names of 256 bytes,
// the flags and the data's size.
constexpr size_t kLongestEntryHeader = 2 * 256 + 6;

// More entries than a 16-bit program's resource table, which counts them in
// 16 bits, can take: no resource compiler wrote such a file.
constexpr unsigned kMostResources = 0x10000;

// A 16-bit compiled resource: entries one after another, each a type and a
// name, the flags that rc writes (moveable, pure, preload, discardable) and
// the size of the data that follows; the last ends exactly where the file
// ends. An entry's header past the head is read there, through `rest`, so
// that every entry is seen: a text that parses as a first entry is not
// taken for what its first bytes promise. ERROR_SUCCESS when it is one,
// kKeptNotIntermediate when not, or why a read on failed.
DWORD JudgeResource16(const Head& head)
{
    if (!head.Has(0, 1) || head.bytes[0] != 0xFF)
        return kKeptNotIntermediate;
    unsigned char buffer[kHeadBytes];
    Bytes window = head;  // the bytes read at `start`
    ULONGLONG start = 0, at = 0;
    for (unsigned entries = 0; at < head.size; ++entries) {
        if (entries == kMostResources)
            return kKeptNotIntermediate;
        if (at - start + kLongestEntryHeader > window.length && start + window.length < head.size) {
            const DWORD count = static_cast<DWORD>(std::min<ULONGLONG>(kHeadBytes, head.size - at));
            if (!head.rest)
                return kKeptNotIntermediate;
            const DWORD read = head.rest->ReadAt(at, buffer, count);
            if (read != ERROR_SUCCESS)
                return read;
            window = Bytes{buffer, count};
            start = at;
        }
        // Within the window now, unless the file ends inside the entry.
        const size_t entry = static_cast<size_t>(std::min<ULONGLONG>(at - start, window.length));
        size_t end = ResourceId(window, entry);
        end = end ? ResourceId(window, end) : 0;
        if (!end || !window.Has(end, 6) || (window.Word(end) & ~0x1070) != 0)
            return kKeptNotIntermediate;
        at += end - entry + 6 + ULONGLONG{window.Dword(end + 2)};
    }
    return at == head.size ? DWORD{ERROR_SUCCESS} : DWORD{kKeptNotIntermediate};
}

// A stream of LLVM's bitcode (bitcode, clang's precompiled headers) after
// its magic at `at`: it opens a block (abbreviation 1 in 2 bits), whose id
// and width fill 14 bits of a word aligned to 32, so that the word's last
// 18 bits are 0.
bool IsBitstreamBlock(const Head& head, size_t at)
{
    return head.Has(at, 4) && (head.bytes[at] & 3) == 1 && (head.bytes[at + 1] & 0xC0) == 0 &&
           head.bytes[at + 2] == 0 && head.bytes[at + 3] == 0;
}

bool IsBitcode(const Head& head)
{
    return head.Has(0, 4) && std::memcmp(head.bytes, "BC\xC0\xDE", 4) == 0 && IsBitstreamBlock(head, 4);
}

// Bitcode in its wrapper: version 0, and the bitcode's place and size in
// the file.
bool IsWrappedBitcode(const Head& head)
{
    return head.Has(0, 20) && head.Dword(0) == 0x0B17C0DE && head.Dword(4) == 0 && head.Dword(8) >= 20 &&
           ULONGLONG{head.Dword(8)} + head.Dword(12) <= head.size;
}

bool IsClangPch(const Head& head)
{
    return head.Has(0, 4) && std::memcmp(head.bytes, "CPCH", 4) == 0 && IsBitstreamBlock(head, 4);
}

// Visual C++ 1.5's precompiled header (cl /YX): its mark, a NUL among
// the 8 bytes after it, and the two parts whose places and sizes the header
// gives at bytes 32 to 47 within the file.
bool IsVc15Pch(const Head& head)
{
    if (!head.Has(0, 48) || std::memcmp(head.bytes, "DTJPCH0", 8) != 0 ||
        std::count(head.bytes + 8, head.bytes + 16, 0) == 0)
        return false;
    for (size_t part = 32; part < 48; part += 8) {
        const ULONGLONG at = head.Dword(part), size = head.Dword(part + 4);
        if (at < 48 || size == 0 || at + size > head.size)
            return false;
    }
    return true;
}

bool IsVcPch(const Head& head)
{
    // Then within 4 bytes a NUL, which no text holds: the binary header.
    return head.Has(0, 10) && std::memcmp(head.bytes, "VCPCH0", 6) == 0 &&
           std::count(head.bytes + 6, head.bytes + 10, 0) != 0;
}

// The incremental linker's database: its words and one or two line ends
// (Visual C++ 4 to 6 write one, Visual Studio 2010 and later two), then
// BEL, ^Z and a NUL, which no text holds.
bool IsLinkerDatabase(const Head& head)
{
    static const char kWords[] = "Microsoft Linker Database\n";
    constexpr size_t kLength = sizeof kWords - 1;
    if (!head.Has(0, kLength + 4) || std::memcmp(head.bytes, kWords, kLength) != 0)
        return false;
    const size_t binary = kLength + (head.bytes[kLength] == '\n');
    return head.Has(binary, 3) && std::memcmp(head.bytes + binary, "\x07\x1A", 3) == 0;
}

// A multi-stream file (MSF) of the compiler and the linker, in its two
// versions: the tool's words, their line end and end-of-file mark, the
// NULs that fill the magic to its length, and a page size that is a power
// of 2 from 512 to 64 KB.
bool IsMsf(const Head& head, const char* magic, size_t size)
{
    if (!head.Has(0, size + 4) || std::memcmp(head.bytes, magic, size) != 0)
        return false;
    const DWORD page = head.Dword(size);
    return page >= 0x200 && page <= 0x10000 && (page & (page - 1)) == 0;
}

bool IsMsf7(const Head& head)
{
    static const char kMagic[] = "Microsoft C/C++ MSF 7.00\r\n\x1A" "DS\0\0";  // and its terminator: 32
    return IsMsf(head, kMagic, sizeof kMagic);
}

bool IsMsf2(const Head& head)
{
    static const char kMagic[] = "Microsoft C/C++ program database 2.00\r\n\x1A" "JG\0";  // and its terminator: 44
    return IsMsf(head, kMagic, sizeof kMagic);
}

// The program database of Visual C++ 1.5's compiler (C/C++ 8.0), before
// the multi-stream file: its words, line end and end-of-file mark, "JG" and
// the NULs that fill it to 44 bytes; then its version, the date 920924;
// its signature and age; the first and the next type index, from 0x1000
// on; and the size of the type records that follow the 64-byte header to
// the file's end.
bool IsPdb1(const Head& head)
{
    static const char kMagic[] = "Microsoft C/C++ program database 1.00\r\n\x1A" "JG\0";  // and its terminator: 44
    constexpr size_t kHeader = 64;
    return head.Has(0, kHeader) && std::memcmp(head.bytes, kMagic, sizeof kMagic) == 0 &&
           head.Dword(44) == 920924 && head.Word(56) == 0x1000 && head.Word(58) >= 0x1000 &&
           kHeader + ULONGLONG{head.Dword(60)} == head.size;
}

// A portable PDB of the .NET compilers: metadata (BSJB, version 1.1) whose
// version text is that of a PDB.
bool IsPortablePdb(const Head& head)
{
    return head.Has(0, 24) && std::memcmp(head.bytes, "BSJB\x01\x00\x01\x00\x00\x00\x00\x00", 12) == 0 &&
           std::memcmp(head.bytes + 16, "PDB v1.0", 8) == 0;
}

// A 32-bit compiled resource (rc, windres, llvm-rc; the resource editor's
// .aps): its empty first entry, no data, a header of 32 bytes, type 0 and
// name 0 by number.
bool IsResource32(const Head& head)
{
    static const unsigned char kEmptyEntry[] = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
    return head.Has(0, sizeof kEmptyEntry) && std::memcmp(head.bytes, kEmptyEntry, sizeof kEmptyEntry) == 0;
}

// The build log of Visual C++ 5 and 6, as only that log begins: <html>,
// <body>, <pre> and its heading <h1>Build Log</h1>, each on a line of its
// own, in any case. Any other web page named .plg stays.
bool IsBuildLog(const Head& head)
{
    const char* text = reinterpret_cast<const char*>(head.bytes);
    const char* const end = text + head.length;
    for (const char* line : {"<html>", "<body>", "<pre>", "<h1>Build Log</h1>"}) {
        const size_t length = std::strlen(line);
        if (static_cast<size_t>(end - text) < length || _strnicmp(text, line, length) != 0)
            return false;
        text += length;
        if (text < end && *text == '\r')
            ++text;
        if (text == end || *text++ != '\n')
            return false;
    }
    return true;
}

using Rule = bool (*)(const Head& head);
// A rule that reads on: ERROR_SUCCESS, kKeptNotIntermediate, or why a read failed.
using ReadingRule = DWORD (*)(const Head& head);

constexpr size_t kMostRules = 5;

// One row an extension: the ways a file of it begins when a Visual C++ tool
// wrote it, decided on the head, and the one that may read on.
const struct Intermediate {
    const char* extension;  // without its dot
    Rule rules[kMostRules];
    ReadingRule readingRule = nullptr;
} kIntermediates[] = {
    {"obj", {IsCoffObject,         // the compilers and assemblers, cvtres, clang-cl
             IsAnonymousObject,    // import objects, /GL, /bigobj, /clr
             IsOmfObject,          // 16-bit compilers and assemblers
             IsBitcode,            // LLVM bitcode: clang-cl -flto
             IsWrappedBitcode}},   // the same in its wrapper
    {"pdb", {IsMsf7, IsMsf2,       // the linkers, the compiler's /Zi
             IsPdb1,               // Visual C++ 1.5's compiler (/Zi)
             IsPortablePdb}},      // the .NET compilers
    {"idb", {IsMsf7, IsMsf2}},     // the compiler's minimal rebuild
    {"ncb", {IsMsf7, IsMsf2}},     // the IDE's browse data
    {"res", {IsResource32},        // rc, windres, llvm-rc
            JudgeResource16},      // 16-bit rc
    {"aps", {IsResource32}},       // the resource editor
    {"pch", {IsVcPch,              // cl /Yc
             IsVc15Pch,            // Visual C++ 1.5's cl /YX
             IsClangPch}},         // clang-cl
    {"ilk", {IsLinkerDatabase}},   // the incremental linker
    {"plg", {IsBuildLog}},         // Visual C++ 5 and 6
};

const Intermediate* IntermediateNamed(const char* name)
{
    const size_t length = std::strlen(name);
    if (length < 4 || name[length - 4] != '.')
        return nullptr;
    for (const Intermediate& intermediate : kIntermediates) {
        if (_strnicmp(name + length - 3, intermediate.extension, 3) == 0)
            return &intermediate;
    }
    return nullptr;
}

}  // namespace

bool IsReadBeforeDelete(const char* name)
{
    return IntermediateNamed(name) != nullptr;
}

DWORD JudgeIntermediate(const char* name, const unsigned char* bytes, size_t length, ULONGLONG size, CReadOn* rest)
{
    const Intermediate* intermediate = IntermediateNamed(name);
    if (!intermediate)
        return kKeptNotIntermediate;
    if (size == 0)
        return ERROR_SUCCESS;
    const Head head{{bytes, length}, size, rest};
    if (std::any_of(std::begin(intermediate->rules), std::end(intermediate->rules),
                    [&](Rule rule) { return rule && rule(head); }))
        return ERROR_SUCCESS;
    return intermediate->readingRule ? intermediate->readingRule(head) : DWORD{kKeptNotIntermediate};
}
