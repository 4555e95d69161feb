// Intermediates.cpp: the first bytes of every intermediate, by extension.
#include "Intermediates.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

WORD WordAt(const unsigned char* bytes)
{
    return static_cast<WORD>(bytes[0] | bytes[1] << 8);
}

// The machines of a COFF object's header (IMAGE_FILE_MACHINE_*): those the
// compilers and assemblers of every Visual C++ wrote for.
constexpr WORD kCoffMachines[] = {
    0x014C, 0x8664, 0xAA64, 0xA641, 0xA64E,  // x86, x64, ARM64, ARM64EC, ARM64X
    0x01C0, 0x01C2, 0x01C4, 0x0200,          // ARM, Thumb, ARMv7, Itanium
    0x0162, 0x0166, 0x0168, 0x0169, 0x0266, 0x0366, 0x0466,  // MIPS
    0x0184, 0x0284, 0x01F0, 0x01F1,          // Alpha, Alpha 64, PowerPC, PowerPC with FPU
    0x01A2, 0x01A3, 0x01A6, 0x01A8,          // SH3, SH3 DSP, SH4, SH5
};

// A COFF object: a known machine, and no optional header (bytes 16-17),
// which only images have.
bool IsCoffObject(const unsigned char* head, size_t length)
{
    return length >= sizeof(IMAGE_FILE_HEADER) &&
           std::count(std::begin(kCoffMachines), std::end(kCoffMachines), WordAt(head)) &&
           WordAt(head + 16) == 0;
}

// An OMF object of the 16-bit compilers and assemblers: a first record
// THEADR (0x80) or LHEADR (0x82), whose length (bytes 1-2) is its name
// (length in byte 3) and its checksum, and which is there whole.
bool IsOmfObject(const unsigned char* head, size_t length)
{
    return length >= 4 && (head[0] == 0x80 || head[0] == 0x82) && WordAt(head + 1) == head[3] + 2 &&
           length >= 3u + WordAt(head + 1);
}

// A 16-bit compiled resource: its first entry's type given by number (0xFF,
// then the number, which is below 0x8000; a JPEG's FF D8 is not one).
bool IsResource16(const unsigned char* head, size_t length)
{
    return length >= 3 && head[0] == 0xFF && WordAt(head + 1) < 0x8000;
}

// A build log of Visual C++ 5 and 6: an HTML page.
bool IsHtmlPage(const unsigned char* head, size_t length)
{
    return length >= 6 && _strnicmp(reinterpret_cast<const char*>(head), "<html>", 6) == 0;
}

// One way an intermediate begins: these bytes at its start, or where bytes
// alone do not decide, a check of a length or a range too.
struct Signature {
    const char* bytes;
    size_t size;
    bool (*check)(const unsigned char* head, size_t length);
};

template <size_t N>
constexpr Signature Bytes(const char (&bytes)[N])
{
    return {bytes, N - 1, nullptr};
}

constexpr Signature Check(bool (*check)(const unsigned char*, size_t))
{
    return {nullptr, 0, check};
}

// A multi-stream file (MSF) of the compiler and the linker, in its two
// versions, each with the line end and the end-of-file mark that follow.
constexpr char kMsf7[] = "Microsoft C/C++ MSF 7.00\r\n\x1A" "DS";
constexpr char kMsf2[] = "Microsoft C/C++ program database 2.00\r\n\x1A" "JG";
// A 32-bit compiled resource: its empty first entry.
constexpr char kResource32[] = "\x00\x00\x00\x00\x20\x00\x00\x00\xFF\xFF\x00\x00\xFF\xFF\x00\x00";

constexpr size_t kMostSignatures = 5;

const struct Intermediate {
    const char* extension;  // without its dot
    Signature signatures[kMostSignatures];
} kIntermediates[] = {
    {"obj", {Check(IsCoffObject),         // the compilers and assemblers, cvtres, clang-cl
             Bytes("\x00\x00\xFF\xFF"),   // anonymous: import objects, /GL, /bigobj, /clr
             Check(IsOmfObject),          // 16-bit compilers and assemblers
             Bytes("BC\xC0\xDE"),         // LLVM bitcode: clang-cl -flto
             Bytes("\xDE\xC0\x17\x0B")}}, // the same in its wrapper
    {"pdb", {Bytes(kMsf7), Bytes(kMsf2),  // the linkers, the compiler's /Zi
             Bytes("BSJB")}},             // a portable PDB: the .NET compilers
    {"idb", {Bytes(kMsf7), Bytes(kMsf2)}},  // the compiler's minimal rebuild
    {"ncb", {Bytes(kMsf7), Bytes(kMsf2)}},  // the IDE's browse data
    {"res", {Bytes(kResource32),          // rc, windres, llvm-rc
             Check(IsResource16)}},       // 16-bit rc
    {"aps", {Bytes(kResource32)}},        // the resource editor
    {"pch", {Bytes("VCPCH0"),             // cl /Yc
             Bytes("CPCH")}},             // clang-cl
    {"ilk", {Bytes("Microsoft Linker Database")}},  // the incremental linker
    {"plg", {Check(IsHtmlPage)}},         // the build log of Visual C++ 5 and 6
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

bool BeginsAsIntermediate(const char* name, const unsigned char* head, size_t length, unsigned long long size)
{
    const Intermediate* intermediate = IntermediateNamed(name);
    if (!intermediate)
        return false;
    if (size == 0)
        return true;
    return std::any_of(std::begin(intermediate->signatures), std::end(intermediate->signatures),
                       [&](const Signature& signature) {
                           if (signature.check)
                               return signature.check(head, length);
                           return signature.bytes && length >= signature.size &&
                                  std::memcmp(head, signature.bytes, signature.size) == 0;
                       });
}
