// SPDX-License-Identifier: GPL-3.0-or-later
#include "localization/string_table_translator.h"

#include "localization/localizer.h"

namespace kelvra {

TStringTableTranslator::TStringTableTranslator(TKLocalizerOnFly &localizer, QObject *parent)
    : QTranslator(parent)
    , m_localizer(localizer)
{
    Reload();
}

void TStringTableTranslator::Reload()
{
    m_ids.clear();
    for (const auto &unit : m_localizer.LocStorage.Units)
        for (const auto &constant : unit->Constants)
            if (constant->StringID >= 0 && constant->StringID <= 0xFFFF && constant->Values.Count() > 0)
                m_ids.insert(constant->Values[0].Value(), quint16(constant->StringID));
}

QString TStringTableTranslator::translate(const char *, const char *sourceText, const char *, int) const
{
    if (!sourceText || m_localizer.LangIndex <= 0)
        return {};
    const auto found = m_ids.constFind(QString::fromUtf8(sourceText));
    if (found == m_ids.constEnd())
        return {};
    return m_localizer.rs(found.value());
}

} // namespace kelvra
