// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/failure_text.h"

namespace kelvra::cli {

QString failureText(PreviewError error, const QString &path, const QString &detail)
{
    switch (error) {
    case PreviewError::None:
        break;
    case PreviewError::NotFound:
        return QStringLiteral("no such file: ") + path;
    case PreviewError::NotJpegName:
        return QStringLiteral("not a JPEG file name: ") + path;
    case PreviewError::Unreadable:
        return QStringLiteral("cannot read ") + path + QStringLiteral(": ") + detail;
    case PreviewError::Undecodable:
        return QStringLiteral("cannot decode ") + path + QStringLiteral(": ") + detail;
    }
    return QString();
}

} // namespace kelvra::cli
