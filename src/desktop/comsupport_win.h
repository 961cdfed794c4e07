#pragma once

#include <QString>

#include <objbase.h>
#include <oleauto.h>

namespace zq {

// Owners of the COM values that calls hand out, for the Windows files of the libraries above.

class Bstr final
{
public:
    Bstr() = default;
    explicit Bstr(const wchar_t *text) : m_value(SysAllocString(text)) {}
    explicit Bstr(const QString &text)
        : m_value(SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()), UINT(text.size())))
    {}
    ~Bstr() { SysFreeString(m_value); }
    Q_DISABLE_COPY_MOVE(Bstr)

    BSTR get() const { return m_value; }
    // For a call that hands out a new string; whatever was held before is freed first.
    BSTR *out()
    {
        SysFreeString(m_value);
        m_value = nullptr;
        return &m_value;
    }
    QString toString() const
    {
        return m_value ? QString::fromWCharArray(m_value, int(SysStringLen(m_value))) : QString();
    }

private:
    BSTR m_value = nullptr;
};

class Variant final
{
public:
    Variant() { VariantInit(&m_value); }
    ~Variant() { VariantClear(&m_value); }
    Q_DISABLE_COPY_MOVE(Variant)

    VARIANT *get() { return &m_value; }
    const VARIANT &value() const { return m_value; }

private:
    VARIANT m_value;
};

inline QString hresultText(HRESULT result)
{
    return QStringLiteral("0x") + QString::number(static_cast<quint32>(result), 16).rightJustified(8, u'0');
}

} // namespace zq
