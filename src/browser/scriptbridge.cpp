#include "scriptbridge.h"

#include "desktop/comsupport_win.h"
#include "text/texthelpers.h"

using namespace Qt::StringLiterals;

namespace zq {

namespace ScriptBridge {

namespace {

// What an exception handed back holds, freed: the page's error is the page's.
void forget(EXCEPINFO &exception)
{
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

// The member of `script` called `name`, or DISPID_UNKNOWN.
DISPID memberId(IDispatch *script, const QString &name)
{
    std::wstring wide = name.toStdWString();
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(script->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return DISPID_UNKNOWN;
    return id;
}

QString readGlobal(IDispatch *script, const QString &name)
{
    const DISPID id = memberId(script, name);
    if (id == DISPID_UNKNOWN)
        return {};
    DISPPARAMS none = {};
    Variant value;
    EXCEPINFO exception = {};
    // A getter that throws answers with an exception: that global is unreadable.
    if (FAILED(script->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.get(), &exception,
                              nullptr))) {
        forget(exception);
        return {};
    }
    return valueText(value.value());
}

} // namespace

QStringList readGlobals(IDispatch *script, const QStringList &names)
{
    QStringList texts;
    texts.reserve(names.size());
    for (const QString &name : names)
        texts.append(script && !name.isEmpty() ? readGlobal(script, name) : QString());
    return texts;
}

bool run(IDispatch *script, const QString &code)
{
    if (!script)
        return false;
    const DISPID eval = memberId(script, u"eval"_s);
    if (eval == DISPID_UNKNOWN)
        return false;
    Variant argument;
    V_VT(argument.get()) = VT_BSTR;
    V_BSTR(argument.get()) = SysAllocStringLen(reinterpret_cast<const OLECHAR *>(code.utf16()), UINT(code.size()));
    DISPPARAMS parameters = {argument.get(), nullptr, 1, 0};
    Variant result;
    EXCEPINFO exception = {};
    if (FAILED(script->Invoke(eval, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, result.get(),
                              &exception, nullptr)))
        forget(exception);
    return true;
}

QString valueText(const VARIANT &value)
{
    switch (V_VT(&value)) {
    case VT_BSTR:
        return V_BSTR(&value) ? QString::fromWCharArray(V_BSTR(&value), int(SysStringLen(V_BSTR(&value)))) : QString();
    case VT_BOOL:
        return V_BOOL(&value) ? u"true"_s : u"false"_s;
    case VT_I1:
        return QString::number(V_I1(&value));
    case VT_UI1:
        return QString::number(V_UI1(&value));
    case VT_I2:
        return QString::number(V_I2(&value));
    case VT_UI2:
        return QString::number(V_UI2(&value));
    case VT_I4:
        return QString::number(V_I4(&value));
    case VT_UI4:
        return QString::number(V_UI4(&value));
    case VT_INT:
        return QString::number(V_INT(&value));
    case VT_UINT:
        return QString::number(V_UINT(&value));
    // Wider than a script number can be exactly: written as the number the script sees.
    case VT_I8:
        return scriptNumberText(double(V_I8(&value)));
    case VT_UI8:
        return scriptNumberText(double(V_UI8(&value)));
    case VT_R4:
        return scriptNumberText(double(V_R4(&value)));
    case VT_R8:
        return scriptNumberText(V_R8(&value));
    default:
        // Null, undefined (empty), objects and functions (dispatch), anything by reference.
        return {};
    }
}

} // namespace ScriptBridge

} // namespace zq
