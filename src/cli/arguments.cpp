// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/arguments.h"

#include "cli/command.h"

#include <QSet>

namespace kelvra::cli {

namespace {

const Option *find(const std::vector<Option> &known, QStringView name)
{
    for (const Option &option : known) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

// "--opt" or "--opt=..." of a known option.
bool isKnownOption(const std::vector<Option> &known, const QString &arg)
{
    if (!arg.startsWith(QLatin1String("--")))
        return false;
    const qsizetype equals = arg.indexOf(QLatin1Char('='));
    return find(known, equals < 0 ? QStringView(arg) : QStringView(arg).left(equals)) != nullptr;
}

} // namespace

std::optional<QString> normaliseArguments(QStringList &args, const std::vector<Option> &known)
{
    QStringList result;
    QSet<QString> seen;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == QLatin1String("--")) {
            result << args.mid(i);
            break;
        }
        const qsizetype equals = arg.startsWith(QLatin1String("--")) ? arg.indexOf(QLatin1Char('=')) : -1;
        const QString name = equals < 0 ? arg : arg.left(equals);
        const Option *option = find(known, name);
        if (!option) {
            result << arg;
            continue;
        }
        if (seen.contains(name) && !option->repeatable)
            return name + QStringLiteral(" is given twice");
        seen.insert(name);
        if (!option->value) {
            if (equals >= 0)
                return name + QStringLiteral(" takes no value");
            result << arg;
            continue;
        }
        if (equals >= 0) {
            result << name << arg.mid(equals + 1);
            continue;
        }
        if (i + 1 == args.size() || isKnownOption(known, args.at(i + 1)))
            return needsValue(name, option->value);
        result << name << args.at(++i);
    }
    args = result;
    return std::nullopt;
}

} // namespace kelvra::cli
