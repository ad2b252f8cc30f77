// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/form_processor.h"

#include "localization/codepage.h"
#include "localization/loc_errors.h"

namespace kelvra {

namespace {

using V = TValueType;

class Translator
{
public:
    Translator(const TLocForm &form, const TFormTranslation &how)
        : m_form(form)
        , m_how(how)
        , m_codePage(localeAnsiCodePage(how.LangID))
    {
    }

    TFormObject root(const TFormObject &root)
    {
        TFormObject out = object(root, root.Name, &m_form, false);
        if (m_how.RightToLeft && !hasBiDiMode(out)) {
            static const char *const layoutProps[] = { "Caption", "Left", "ClientWidth", "Font.Name" };
            for (const char *name : layoutProps)
                if (out.property(name)) {
                    out.Properties.push_back({ "BiDiMode", TFormValue::ident("bdRightToLeft") });
                    break;
                }
        }
        return out;
    }

private:
    static bool hasBiDiMode(const TFormObject &o)
    {
        for (const TFormProperty &p : o.Properties)
            if (p.Name.contains("BiDiMode"))
                return true;
        return false;
    }

    const TLocComponent *componentNamed(const QByteArray &name) const
    {
        return name.isEmpty() ? &m_form : m_form.Components.Find(name);
    }

    TFormValue text(const QString &s) const
    {
        return m_how.WideStrings ? TFormValue::wideString(s) : TFormValue::string8(fromUtf16ByCodePage(s, m_codePage));
    }

    // The translated value of `p`, or false when the property is to be dropped.
    bool translate(TFormProperty &p, const TLocComponent *component) const
    {
        const TLocProperty *stored = component ? component->Properties.Find(p.Name) : nullptr;
        if (!stored) {
            if (m_how.RightToLeft && p.Name.contains("BiDiMode") && p.Value.Type == V::vaIdent)
                p.Value = TFormValue::ident("bdRightToLeft");
            return true;
        }
        if (stored->Values[0].GetAttribute(vaNeverApply))
            return true;
        const QString value = stored->ValueFor(m_how.LangIndex, m_how.UntranslatedAsIs).Value();
        TFormValue &v = p.Value;
        if (v.isString()) {
            if (value.isEmpty())
                return false;
            v = text(value);
        } else if (v.isInteger()) {
            bool ok = false;
            const qint64 n = value.toLongLong(&ok);
            if (ok)
                v = TFormValue::integer(n);
        } else if (v.isFloat()) {
            bool ok = false;
            const double d = value.toDouble(&ok);
            if (ok)
                v = TFormValue::floating(v.Type, d);
        } else if (v.Type == V::vaList) {
            const QStringList lines = value.split(QStringLiteral("\r\n"));
            for (qsizetype i = 0; i < qsizetype(v.List.size()) && i < lines.size(); ++i)
                if (v.List[size_t(i)].isString())
                    v.List[size_t(i)] = text(lines[i]);
        }
        return true;
    }

    void properties(std::vector<TFormProperty> &props, const QByteArray &name, const TLocComponent *component) const
    {
        std::vector<TFormProperty> out;
        for (TFormProperty p : props) {
            if (p.Value.Type == V::vaCollection) {
                for (size_t i = 0; i < p.Value.Collection.size(); ++i) {
                    const QByteArray itemName = name + '.' + p.Name + '[' + QByteArray::number(qulonglong(i)) + ']';
                    TFormCollectionItem &item = p.Value.Collection[i];
                    properties(item.Properties, itemName, m_form.Components.Find(itemName));
                }
            }
            if (translate(p, component))
                out.push_back(std::move(p));
        }
        if (component)
            appendMissing(out, *component);
        props = std::move(out);
    }

    void appendMissing(std::vector<TFormProperty> &props, const TLocComponent &component) const
    {
        for (const auto &stored : component.Properties) {
            if (!stored->Values[0].GetAttribute(vaNotInDefinition))
                continue;
            bool present = false;
            for (const TFormProperty &p : props)
                present = present || p.Name.compare(stored->Name, Qt::CaseInsensitive) == 0;
            if (present)
                continue;
            const TLocValue &value = stored->ValueFor(m_how.LangIndex, m_how.UntranslatedAsIs);
            TFormValue v;
            switch (stored->Values.ValueType) {
            case TLocValueType::ptFloat:
                v = TFormValue::floating(V::vaDouble, value.GetAsFloat());
                break;
            case TLocValueType::ptInteger:
                v = TFormValue::integer(value.GetAsInteger());
                break;
            case TLocValueType::ptString:
                v = text(value.Value());
                break;
            case TLocValueType::ptStringList:
                v.Type = V::vaList;
                for (const QString &line : value.AsStrings())
                    v.List.push_back(text(line));
                break;
            case TLocValueType::ptEnumValue:
                v = TFormValue::ident(value.Value().toLatin1());
                break;
            case TLocValueType::ptBigInt: {
                v = TFormValue::integer(value.GetAsBigInt());
                v.Type = V::vaInt64;
                break;
            }
            default:
                continue;
            }
            props.push_back({ stored->Name, v });
        }
    }

    TFormObject object(const TFormObject &in, const QByteArray &name, const TLocComponent *component, bool inInline)
    {
        TFormObject out = in;
        properties(out.Properties, name, component);
        out.Children.clear();
        int n = 0;
        for (const TFormObject &child : in.Children) {
            ++n;
            QByteArray childName;
            if (child.Name.isEmpty())
                childName = name + '.' + child.ClassName + QByteArray::number(n);
            else if (inInline)
                childName = name + '.' + child.Name;
            else
                childName = child.Name;
            const bool isInline = inInline || (child.Flags & ffInline);
            out.Children.push_back(object(child, childName, componentNamed(childName), isInline));
        }
        return out;
    }

    const TLocForm &m_form;
    TFormTranslation m_how;
    int m_codePage;
};

} // namespace

TFormObject translateForm(const TFormObject &root, const TLocForm &form, const TFormTranslation &how)
{
    return Translator(form, how).root(root);
}

void translateFormDefinitions(TResRCData &rcdata, const TLocStorage &store, const TFormTranslation &how)
{
    if (rcdata.Items.empty())
        throw EResourceError(QString::fromLatin1(locmsg::NoRCData));
    for (const auto &form : store.Forms) {
        TResRCDataItem *item = rcdata.Find("T" + form->Name.toUpper());
        if (!item)
            item = rcdata.Find("TME" + form->Name.toUpper());
        if (!item)
            continue;
        try {
            item->Data = writeFormDefinition(translateForm(readFormDefinition(item->Data), *form, how));
        } catch (const ELocError &e) {
            throw EResourceError(QString::fromLatin1(locmsg::FormError) + QString::fromLatin1(form->Name)
                + QStringLiteral("\r\n") + e.message());
        }
    }
}

} // namespace kelvra
