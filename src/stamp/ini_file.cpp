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

void IniFile::setString(const QString &section, const QString &key, const QString &value)
{
    // A line break inside a value would start new keys of its own.
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_document.setValue(section.toStdString(), key.toStdString(), oneLine.toStdString());
}

void IniFile::setInteger(const QString &section, const QString &key, int value)
{
    setString(section, key, QString::number(value));
}

void IniFile::setBool(const QString &section, const QString &key, bool value)
{
    setString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::setFloat(const QString &section, const QString &key, double value, const FormatSettings &format)
{
    setString(section, key, QString::fromStdString(formatIniDouble(value, format.decimalSeparatorUtf8())));
}

bool IniFile::save() const
{
    const QFileInfo info(m_path);
    // Checked on the permission bits, not with access(), so that a read-only
    // file stays untouched even for a privileged user.
    if (info.exists() && (!(info.permissions() & QFile::WriteOwner) || !info.isWritable()))
        return false;
    return writeFileAtomically(QFile::encodeName(m_path).toStdString(), m_document.serialize(), ExistingFile::Update)
        .ok();
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    IniDocument before = m_document;
    setString(section, key, value);
    if (save())
        return true;
    m_document = std::move(before);
    return false;
}

bool IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    return writeString(section, key, QString::number(value));
}

} // namespace kelvra
