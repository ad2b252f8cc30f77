// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/qt_test_support.h"
#include "common/test_support.h"
#include "platform/data_folder.h"
#include "ui/design_model.h"
#include "ui/help_topics.h"
#include "ui/main_window.h"
#include "ui/preview_view.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>

// Waits for a condition while the window's events run, then checks it.
#define KELVRA_TRY(condition) EXPECT_TRUE(QTest::qWaitFor([&]() { return bool(condition); }, 10000)) << #condition

#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList &texts, std::ostream *out)
{
    *out << '{' << texts.join(QStringLiteral("|")).toStdString() << '}';
}

namespace kelvra::test {

// Answers dialogs from queues and keeps every message shown.
class FakeDialogs : public UserDialogs
{
public:
    struct Message
    {
        MessageKind kind;
        QString text;
        QString title = {}; // empty: the program's name
        bool owned = true; // shown over a window
        QString details = {};
        QStringList choices = {};
    };
    struct FolderRequest
    {
        QString title;
        QString start;
    };
    std::vector<Message> messages;
    std::vector<FileDialogRequest> requests;
    std::vector<FolderRequest> folderRequests;
    std::deque<QString> fileAnswers; // empty answer: cancelled
    std::deque<QColor> colourAnswers;
    std::vector<QString> questions;
    std::deque<bool> confirmAnswers; // none left: No
    std::deque<QString> choiceAnswers; // a button's text; none left or no such button: OK
    std::vector<QUrl> opened;
    bool desktopOpens = true; // false: the desktop has no handler

    void showMessage(QWidget *, MessageKind kind, const QString &text) override
    {
        messages.push_back({ kind, text, {}, true });
    }
    void showTitledMessage(QWidget *parent, MessageKind kind, const QString &title, const QString &text) override
    {
        messages.push_back({ kind, text, title, parent != nullptr });
    }
    void showDetailedMessage(QWidget *, MessageKind kind, const QString &text, const QString &details) override
    {
        messages.push_back({ kind, text, {}, true, details });
    }
    int showMessageWithChoices(
        QWidget *, MessageKind kind, const QString &text, const QString &details, const QStringList &choices) override
    {
        messages.push_back({ kind, text, {}, true, details, choices });
        if (choiceAnswers.empty())
            return -1;
        const QString answer = choiceAnswers.front();
        choiceAnswers.pop_front();
        return int(choices.indexOf(answer));
    }
    bool confirm(QWidget *, const QString &text) override
    {
        questions.push_back(text);
        if (confirmAnswers.empty())
            return false;
        const bool yes = confirmAnswers.front();
        confirmAnswers.pop_front();
        return yes;
    }
    QString openFileName(QWidget *, const FileDialogRequest &request) override { return answer(request); }
    QString saveFileName(QWidget *, const FileDialogRequest &request) override { return answer(request); }
    QString chooseFolder(QWidget *, const QString &title, const QString &start) override
    {
        folderRequests.push_back({ title, start });
        return answer({});
    }
    std::optional<QColor> chooseColor(QWidget *, const QColor &, const QString &) override
    {
        if (colourAnswers.empty())
            return std::nullopt;
        const QColor c = colourAnswers.front();
        colourAnswers.pop_front();
        return c;
    }
    bool openUrl(const QUrl &url) override
    {
        opened.push_back(url);
        return desktopOpens;
    }

private:
    QString answer(const FileDialogRequest &request)
    {
        requests.push_back(request);
        if (fileAnswers.empty())
            return {};
        const QString a = fileAnswers.front();
        fileAnswers.pop_front();
        return a;
    }
};

// The design a window shows and its commands work from.
inline DesignModel &designOf(const QObject &window)
{
    return *partOf<DesignModel>(window);
}

// Runs answer on the next modal window the program shows.
inline void whenModal(const std::function<void(QWidget *)> &answer)
{
    QTimer::singleShot(0, [answer]() {
        QWidget *modal = nullptr;
        if (QTest::qWaitFor([&]() { return (modal = QApplication::activeModalWidget()) != nullptr; }, 5000))
            answer(modal);
    });
}

// A main window on a settings folder of its own (XDG_CONFIG_HOME).
class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldConfig = qgetenv("XDG_CONFIG_HOME");
        m_oldHome = qgetenv("HOME");
        qputenv("XDG_CONFIG_HOME", qpath(config.path()).toUtf8());
        // Folders a window makes for the user land here, not in a real home.
        std::filesystem::create_directories(config.path() / "home");
        qputenv("HOME", qpath(config.path() / "home").toUtf8());
    }
    void TearDown() override
    {
        window.reset();
        qputenv("XDG_CONFIG_HOME", m_oldConfig);
        qputenv("HOME", m_oldHome);
    }
    TForm1 &open()
    {
        window = std::make_unique<TForm1>(dialogs);
        window->show();
        return *window;
    }
    // The window with a copy of a test photo shown in its preview (m_photo).
    TForm1 &openWithPhoto(const std::string &name = "gps/DSCN0010.jpg")
    {
        m_photo = qpath(work / "photo.jpg");
        test::writeFileBytes(work / "photo.jpg", test::readFileBytes(test::photo(name)));
        TForm1 &w = open();
        w.LoadPic(m_photo);
        KELVRA_TRY(test::partOf<PreviewView>(w)->isVisible() && test::partOf<PreviewView>(w)->photoPath() == m_photo);
        return w;
    }
    // Load Stamp Configuration with path chosen in its dialog.
    void loadDesign(TForm1 &w, const QString &path)
    {
        dialogs.fileAnswers.push_back(path);
        test::actionOf(w, QStringLiteral("RLoadCFG"))->trigger();
    }
    // Save Stamp Configuration likewise: true when written without complaint.
    bool saveDesign(TForm1 &w, const QString &path)
    {
        const size_t said = dialogs.messages.size();
        dialogs.fileAnswers.push_back(path);
        test::actionOf(w, QStringLiteral("RSaveCFG"))->trigger();
        return dialogs.messages.size() == said && QFileInfo::exists(path);
    }
    QString dataFolder() const { return qpath(config.path() / "Kelvra"); }
    QString homeFolder() const { return qpath(config.path() / "home"); }

    TempDir config;
    TempDir work;
    FakeDialogs dialogs;
    std::unique_ptr<TForm1> window;
    QString m_photo;

private:
    QByteArray m_oldConfig;
    QByteArray m_oldHome;
};

inline QString withoutMnemonic(QString text)
{
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

} // namespace kelvra::test
