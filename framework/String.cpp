// String.cpp: CString.
#include "String.h"

#include <cstring>

#include "Module.h"

int CString::ReverseFind(char c) const
{
    const size_t at = m_text.rfind(c);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const
{
    CString left;
    left.m_text = m_text.substr(0, count < 0 ? 0 : static_cast<size_t>(count));
    return left;
}

int CString::Delete(int index, int count)
{
    if (index >= 0 && count > 0 && static_cast<size_t>(index) < m_text.size())
        m_text.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    return GetLength();
}

LPSTR CString::GetBuffer(int minLength)
{
    if (minLength > GetLength())
        m_text.resize(static_cast<size_t>(minLength));
    return &m_text[0];
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        newLength = static_cast<int>(std::strlen(m_text.c_str()));
    m_text.resize(static_cast<size_t>(newLength));
}

std::wstring CString::Wide(UINT codePage) const
{
    const int length = ::MultiByteToWideChar(codePage, 0, m_text.data(), GetLength(), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(codePage, 0, m_text.data(), GetLength(), &wide[0], length);
    return wide;
}

CString CString::FromWide(const std::wstring& wide, bool* lost)
{
    CString text;
    BOOL defaulted = FALSE;
    const int length = static_cast<int>(wide.size());
    const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (size > 0) {
        text.m_text.resize(static_cast<size_t>(size));
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, &text.m_text[0], size, nullptr,
                              &defaulted);
    }
    if (lost)
        *lost = defaulted != FALSE;
    return text;
}

BOOL CString::LoadString(UINT id)
{
    // LoadStringA cannot report a string's length in advance; a menu text
    // of the size the program uses fits with room to spare.
    char text[256];
    const int length = ::LoadStringA(AfxGetResourceHandle(), id, text, sizeof text);
    m_text.assign(text, static_cast<size_t>(length > 0 ? length : 0));
    return length > 0;
}
