// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QTranslator>

namespace kelvra {

class TKLocalizerOnFly;

// The program's messages (every tr() text) through the string table of the
// active resources: a text is a string constant of the native language file,
// found by its native value, and read by its string identifier, so a language
// module answers it. Texts that are no constant stay as they are.
class TStringTableTranslator : public QTranslator
{
public:
    explicit TStringTableTranslator(TKLocalizerOnFly &localizer, QObject *parent = nullptr);

    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *disambiguation, int n) const override;

    // The constants are looked up again after the store changed.
    void Reload();

private:
    TKLocalizerOnFly &m_localizer;
    QHash<QString, quint16> m_ids;
};

} // namespace kelvra
