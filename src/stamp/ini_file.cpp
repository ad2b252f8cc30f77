// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/ini_file.h"

#include "platform/atomic_file.h"
#include "stamp/format_settings.h"

#include <QFile>
#include <QFileInfo>

namespace kelvra {

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        m_document = IniDocument::parse(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    auto text = m_document.value(section.toStdString(), key.toStdString());
    if (!text)
        return std::nullopt;
    return QString::fromStdString(*text);
}

QString IniFile::readString(const QString &section, const QString &key, const QString &fallback) const
{
    return value(section, key).value_or(fallback);
}

int IniFile::readInteger(const QString &section, const QString &key, int fallback) const
{
    auto text = m_document.value(section.toStdString(), key.toStdString());
    if (!text)
        return fallback;
    return parseIniInteger(*text).value_or(fallback);
}

bool IniFile::readBool(const QString &section, const QString &key, bool fallback) const
{
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

double IniFile::readFloat(
    const QString &section, const QString &key, double fallback, const FormatSettings &format) const
{
    auto text = m_document.value(section.toStdString(), key.toStdString());
    if (!text)
        return fallback;
    return parseIniDouble(*text, format.decimalSeparatorUtf8()).value_or(fallback);
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    // A line break inside a value would start new keys of its own.
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));

    const QFileInfo info(m_path);
    // Checked on the permission bits, not with access(), so that a read-only
    // file stays untouched even for a privileged user.
    if (info.exists() && (!(info.permissions() & QFile::WriteOwner) || !info.isWritable()))
        return false;

    IniDocument changed = m_document;
    changed.setValue(section.toStdString(), key.toStdString(), oneLine.toStdString());
    const std::string bytes = changed.serialize();

    if (!writeFileAtomically(QFile::encodeName(m_path).toStdString(), bytes, ExistingFile::Update).ok())
        return false;
    m_document = std::move(changed);
    return true;
}

bool IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::writeBool(const QString &section, const QString &key, bool value)
{
    return writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::writeFloat(const QString &section, const QString &key, double value, const FormatSettings &format)
{
    return writeString(section, key, QString::fromStdString(formatIniDouble(value, format.decimalSeparatorUtf8())));
}

} // namespace kelvra
