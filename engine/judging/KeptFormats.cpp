// KeptFormats.cpp: telling a model, a structure, a database or a game's
// resource by its first bytes.
#include "engine/judging/KeptFormats.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "engine/base/NtFile.h"
#include "engine/base/PathText.h"
#include "engine/judging/Intermediates.h"

namespace {

bool StartsWith(const char* head, size_t length, const char* magic)
{
    const size_t size = std::strlen(magic);
    return length >= size && std::memcmp(head, magic, size) == 0;
}

// Text as models and structures are written: no NUL and no control
// character but tabs and line ends. Bytes from 0x80 up pass: UTF-8, or any
// other 8-bit text.
bool IsText(const char* head, size_t length)
{
    return std::none_of(head, head + length, [](char c) {
        const unsigned char byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7F;
    });
}

bool IsOneOf(const char* word, size_t length, const char* const* words, size_t count)
{
    return std::any_of(words, words + count,
                       [&](const char* known) { return std::strlen(known) == length && !std::memcmp(word, known, length); });
}

// The record names that begin a line of a Protein Data Bank file, each in
// columns 1 to 6.
const char* const kPdbRecords[] = {
    "HEADER", "OBSLTE", "TITLE",  "SPLIT",  "CAVEAT", "COMPND", "SOURCE", "KEYWDS", "EXPDTA", "NUMMDL",
    "MDLTYP", "AUTHOR", "REVDAT", "SPRSDE", "JRNL",   "REMARK", "DBREF",  "DBREF1", "DBREF2", "SEQADV",
    "SEQRES", "MODRES", "HET",    "HETNAM", "HETSYN", "FORMUL", "HELIX",  "SHEET",  "SSBOND", "LINK",
    "CISPEP", "SITE",   "CRYST1", "ORIGX1", "ORIGX2", "ORIGX3", "SCALE1", "SCALE2", "SCALE3", "MTRIX1",
    "MTRIX2", "MTRIX3", "MODEL",  "ATOM",   "ANISOU", "TER",    "HETATM", "ENDMDL", "CONECT", "MASTER",
    "END",    "USER",  // the remarks that tools which add hydrogens put first
};

// The statements of a Wavefront OBJ file: geometry, groups, materials, and
// those of free-form curves and surfaces.
const char* const kObjStatements[] = {
    "v",     "vt",  "vn",    "vp",   "f",    "l",    "p",        "o",        "g",      "s",
    "mg",    "mtllib", "usemtl", "usemap", "maplib", "cstype", "deg", "bmat", "step", "curv",
    "curv2", "surf", "parm", "trim", "hole", "scrv", "sp",       "end",      "con",    "bevel",
    "c_interp", "d_interp", "lod", "shadow_obj", "trace_obj", "ctech", "stech", "call", "csh",
};

// A first line that begins with a record name, padded with spaces to
// column 6 or ended before it.
bool IsProteinStructure(const char* text, const char* end)
{
    const char* name = text;
    while (name < end && name < text + 6 && ((*name >= 'A' && *name <= 'Z') || (*name >= '0' && *name <= '9')))
        ++name;
    if (!IsOneOf(text, static_cast<size_t>(name - text), kPdbRecords, std::size(kPdbRecords)))
        return false;
    for (const char* column = name; column < end && column < text + 6; ++column) {
        if (*column == '\r' || *column == '\n')
            return true;
        if (*column != ' ')
            return false;
    }
    return true;
}

// A first statement, after blank lines and comments, that a model has; or
// nothing but comments as far as it was read (`cut`: the file goes on).
bool IsWavefrontModel(const char* text, const char* end, bool cut)
{
    bool comments = false;
    while (text < end) {
        while (text < end && (*text == ' ' || *text == '\t'))
            ++text;
        const char* const lineEnd = std::find_if(text, end, [](char c) { return c == '\n' || c == '\r'; });
        if (text < lineEnd && *text == '#') {
            comments = true;
        } else if (text < lineEnd) {
            const char* const word = std::find_if(text, lineEnd, [](char c) { return c == ' ' || c == '\t'; });
            if (cut && word == end)
                break;  // the statement's name was not read whole
            return IsOneOf(text, static_cast<size_t>(word - text), kObjStatements, std::size(kObjStatements));
        }
        text = lineEnd + (lineEnd < end);
    }
    return comments;
}

}  // namespace

DWORD WhyKept(const char* head, size_t length)
{
    if (StartsWith(head, length, "IDA0") || StartsWith(head, length, "IDA1") || StartsWith(head, length, "IDA2"))
        return kKeptIdaDatabase;
    if (StartsWith(head, length, "RSRC") || StartsWith(head, length, "RSCC"))
        return kKeptGodotResource;
    if (!IsText(head, length))
        return kKeptNotIntermediate;
    const char* text = head;
    const char* const end = head + length;
    if (StartsWith(text, length, "\xEF\xBB\xBF"))  // UTF-8's byte-order mark
        text += 3;
    if (IsProteinStructure(text, end))
        return kKeptProteinStructure;
    if (IsWavefrontModel(text, end, length == kHeadBytes))
        return kKeptWavefrontModel;
    return kKeptNotIntermediate;
}

namespace {

// The endings of the project files that bind the .res of their stem.
const char* const kResourceProjects[] = {".dpr", ".dpk", ".dproj", ".bpr", ".bpk", ".cbproj"};

// The length of `name`'s stem when it ends in `ending` (ASCII), case aside; 0 when not.
size_t StemBefore(const char* name, const char* ending)
{
    const size_t length = std::strlen(name), size = std::strlen(ending);
    return length > size && _strnicmp(name + length - size, ending, size) == 0 ? length - size : 0;
}

size_t ProjectStem(const char* name)
{
    for (const char* ending : kResourceProjects) {
        if (const size_t stem = StemBefore(name, ending))
            return stem;
    }
    return 0;
}

}  // namespace

bool IsResourceProject(const char* name)
{
    return ProjectStem(name) != 0;
}

bool IsResourceFile(const char* name)
{
    return StemBefore(name, ".res") != 0;
}

bool BindsResource(const char* project, const char* resource)
{
    const size_t stem = ProjectStem(project), resourceStem = StemBefore(resource, ".res");
    if (stem == 0 || resourceStem == 0)
        return false;
    // Case aside as the system upcases names, in any script.
    WCHAR a[kMaxNameUnits], b[kMaxNameUnits];
    const size_t aLength = DecodeUtf8(std::string(project, stem).c_str(), a, kMaxNameUnits);
    const size_t bLength = DecodeUtf8(std::string(resource, resourceStem).c_str(), b, kMaxNameUnits);
    return aLength == bLength && aLength != 0 && std::equal(a, a + aLength, b, [](WCHAR x, WCHAR y) {
               return RtlUpcaseUnicodeChar(x) == RtlUpcaseUnicodeChar(y);
           });
}
