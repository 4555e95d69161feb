// PathText.cpp: the engine's UTF-8 and the wide calls' paths.
#include "engine/base/PathText.h"

#include <windows.h>

namespace {

// Writes `text` in the engine's UTF-8, a byte at a time, through put(byte).
template <class Put>
void EncodeUtf8(const wchar_t* text, size_t length, Put put)
{
    for (size_t i = 0; i < length; ++i) {
        unsigned code = static_cast<unsigned short>(text[i]);
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < length) {
            const unsigned low = static_cast<unsigned short>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (code < 0x80) {
            put(code);
        } else if (code < 0x800) {
            put(0xC0 | code >> 6);
            put(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {  // an unpaired surrogate too
            put(0xE0 | code >> 12);
            put(0x80 | (code >> 6 & 0x3F));
            put(0x80 | (code & 0x3F));
        } else {
            put(0xF0 | code >> 18);
            put(0x80 | (code >> 12 & 0x3F));
            put(0x80 | (code >> 6 & 0x3F));
            put(0x80 | (code & 0x3F));
        }
    }
}

}  // namespace

void AppendUtf8(std::string& out, const wchar_t* text, size_t length)
{
    EncodeUtf8(text, length, [&](unsigned byte) { out += static_cast<char>(byte); });
}

size_t Utf8Of(const wchar_t* text, size_t length, char* out, size_t capacity)
{
    size_t size = 0;
    EncodeUtf8(text, length, [&](unsigned byte) {
        if (size < capacity)
            out[size] = static_cast<char>(byte);
        ++size;
    });
    if (size >= capacity)
        return 0;
    out[size] = '\0';
    return size;
}

size_t DecodeUtf8(const char* text, wchar_t* out, size_t capacity)
{
    size_t length = 0;
    for (auto p = reinterpret_cast<const unsigned char*>(text); *p;) {
        unsigned code = *p++;
        int more = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : code >= 0xC0 ? 1 : 0;
        code &= more == 3 ? 0x07 : more == 2 ? 0x0F : more == 1 ? 0x1F : 0x7F;
        for (; more > 0 && (*p & 0xC0) == 0x80; --more)
            code = code << 6 | (*p++ & 0x3F);
        if (length + (code >= 0x10000 ? 2 : 1) >= capacity)
            return 0;
        if (code >= 0x10000) {
            out[length++] = static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
            out[length++] = static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            out[length++] = static_cast<wchar_t>(code);
        }
    }
    if (length < capacity)
        out[length] = L'\0';
    return length;
}

std::wstring WideOf(const char* utf8)
{
    std::wstring wide(std::char_traits<char>::length(utf8) + 1, L'\0');  // never more units than bytes
    wide.resize(DecodeUtf8(utf8, &wide[0], wide.size()));
    return wide;
}

std::wstring FullPath(const std::wstring& text)
{
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(text.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
        if (length == 0 || length >= kMaxPathUnits)
            return std::wstring();
        const bool fitted = length < full.size();
        full.resize(length);  // when it did not fit: the size asked for, terminator included
        if (fitted)
            return full;
    }
}

std::wstring FullFolderPath(const wchar_t* folder)
{
    // "D:" is the drive's root here, as in "D:\*.obj", not its current folder.
    std::wstring composed = folder;
    if (composed.empty())
        return composed;
    if (composed.back() != L'\\' && composed.back() != L'/')
        composed += L'\\';
    std::wstring full = FullPath(composed);
    if (!full.empty() && full.back() != L'\\')
        full += L'\\';
    return full;
}

std::wstring SuperPath(const std::wstring& full)
{
    if (full.compare(0, 4, L"\\\\?\\") == 0 || full.compare(0, 4, L"\\\\.\\") == 0)
        return full;
    if (full.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC" + full.substr(1);
    return L"\\\\?\\" + full;
}
