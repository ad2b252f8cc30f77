// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <stdexcept>

namespace kelvra {

// The localization layer raises these; its callers decide whether a failure
// becomes a message box, a re-raise or silence.
class ELocError : public std::runtime_error
{
public:
    explicit ELocError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

class ELangFileError : public ELocError
{
    using ELocError::ELocError;
};

class EKCompressError : public ELocError
{
    using ELocError::ELocError;
};

class ELocStorageError : public ELocError
{
    using ELocError::ELocError;
};

// Resource images, settings records and the embedded languages resource.
class EResourceError : public ELocError
{
    using ELocError::ELocError;
};

// The language-switching controller.
class ELocOnFlyError : public ELocError
{
    using ELocError::ELocError;
};

namespace locmsg {
inline const char *const InvalidFormat = "Invalid file format";
inline const char *const NewerFormat
    = "The language file can not be read. You need to download the latest Language Manager";
inline const char *const InvalidStorage = "Invalid LocStorage";
inline const char *const InvalidIndex = "Invalid index";
inline const char *const ReadOnlyFile = "File \"%1\" was opened as read-only";
inline const char *const NotExclusive = "Can not open language file exclusively";
inline const char *const NoSource = "Source stream is not defined";
inline const char *const NoDestination = "Destination stream is not defined";
inline const char *const WrongStream = "Wrong stream format";
inline const char *const DoesNotFit = "A text or count does not fit the language file format";
inline const char *const CannotWrite = "Can not write language file \"%1\"";
inline const char *const EmptyDictionary = "Empty dictionary";
inline const char *const CannotAddLanguage = "Could not add language";
inline const char *const CannotRemoveLanguage = "Could not remove language";
inline const char *const CannotOpenImage = "Couldn't open file: %1";
inline const char *const UnrecognizedImage = "Unrecognized file format";
inline const char *const NotPE = "Not a PE (WIN32 Executable) file";
inline const char *const NoResources = "No resources in this file.";
inline const char *const BadResources = "The resources of this file are damaged";
inline const char *const InvalidNativeDLL = "Can't create DLL. The native DLL is invalid";
inline const char *const CannotSaveDLL = "Error saving language DLL";
inline const char *const NameNotSaved = "Name is not saved correctly - ";
inline const char *const CannotLoadModule = "Error loading resource file \"%1\"";
inline const char *const NoRCData = "Can't find RCDATA block";
inline const char *const FormError = "Error during processing form ";
inline const char *const BadFormStream = "Invalid form definition";
inline const char *const InvalidKLangs = "Invalid KLANGS resource";
inline const char *const CannotLoadFromResources = "Can not load language %1 from resources";
inline const char *const NotInitialized = "Localizer is not initialized";
inline const char *const PathMissing = "Specified path \"%1\" does not exist";
inline const char *const LangFileMissing = "Language file \"%1\" is not found";
inline const char *const LanguageMissing = "Language \"%1\" is not found";
inline const char *const CannotDelete = "Can not delete file \"%1\"";
inline const char *const ErrorBoxTitle = "Localizer Error";
} // namespace locmsg

} // namespace kelvra
