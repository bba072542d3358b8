#pragma once

// What the window tests share: a prompter that answers from a script, a running
// program on a MIDI device of the test's choice, and the mouse moves of a user.

#include "app/AppServices.h"
#include "app/MainFrame.h"
#include "app/ToneloomApp.h"
#include "app/Transfers.h"
#include "bank/ui/ToneloomView.h"
#include "midi/MidiPortProvider.h"
#include "settings/IniFile.h"
#include "ui/CommandIds.h"
#include "ui/ItemDrag.h"
#include "ui/Prompter.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace testsupport {

// Answers every question, file chooser and dialog from a script; records messages.
class CScriptedPrompter : public CPrompter
{
public:
    void showMessage(MessageIcon icon, const QString& text) override { messages.emplace_back(icon, text); }
    Answer ask(const QString& text, bool) override
    {
        questions << text;
        if (answers.empty())
            return Answer::Yes;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    QString getSaveFileName(const QString&, const QString&) override
    {
        folders << QDir::currentPath();
        fileTitles << fileDialogTitle();
        fileStarts << fileDialogStart();
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    QString getOpenFileName(const QString& filter, const QString& suffix) override
    {
        return getSaveFileName(filter, suffix);
    }
    QString getExistingFolder(const QString& title) override
    {
        fileTitles << title;
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    int exec(QDialog& dialog) override
    {
        dialogs << dialog.windowTitle();
        titles << dialog.windowTitle();
        if (!onExec)
            return QDialog::Rejected;
        return onExec(dialog);
    }
    QStringList texts() const
    {
        QStringList list;
        for (const auto& m : messages)
            list << m.second;
        return list;
    }

    std::vector<std::pair<MessageIcon, QString>> messages;
    QStringList questions;
    std::deque<Answer> answers;
    QStringList files;
    QStringList folders;
    QStringList fileTitles; // the title of each file chooser ("" for a plain one)
    QStringList fileStarts; // the file each chooser started at
    QStringList dialogs;
    QStringList titles;
    std::function<int(QDialog&)> onExec;
};

// Sends in the settings file ini go out without the backup before and the
// verification after them, as a test of the send alone wants.
inline void plainSends(const QString& ini)
{
    CIniFile file(ini);
    file.writeInt(QStringLiteral("SETUP"), QStringLiteral("VERIFYSENDS"), 0);
    file.writeInt(QStringLiteral("SETUP"), QStringLiteral("BACKUPBEFORESEND"), 0);
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The program, running with a scripted prompter.
struct Session
{
    CScriptedPrompter prompter;
    std::unique_ptr<CToneloomApp> app;
    CMainFrame* frame() const { return app->mainFrame(); }
};

inline std::unique_ptr<Session> startSession(const QString& ini, CMidiPortProvider& ports, const QString& programFolder)
{
    auto s = std::make_unique<Session>();
    CToneloomApp::Options options;
    options.iniPath = ini;
    options.ports = &ports;
    options.prompter = &s->prompter;
    options.programFolder = programFolder;
    s->app = std::make_unique<CToneloomApp>(options);
    s->app->InitInstance();
    return s;
}

inline CToneloomView* activeBankView(const CMainFrame* frame)
{
    return qobject_cast<CToneloomView*>(frame->activeDocumentWindow());
}

// New, answering "Bank" when the program asks which kind of document to make.
inline CToneloomView* newBank(Session& s)
{
    const std::function<int(QDialog&)> script = s.prompter.onExec;
    bool asked = false;
    s.prompter.onExec = [&](QDialog& dialog) {
        if (asked || dialog.windowTitle() != QLatin1String("New"))
            return script ? script(dialog) : int(QDialog::Rejected);
        asked = true;
        return int(QDialog::Accepted); // the first kind, "Bank", is chosen when the chooser opens
    };
    s.frame()->action(cmd::kFileNew)->trigger();
    s.prompter.onExec = script;
    if (asked) {
        s.prompter.dialogs.removeLast();
        s.prompter.titles.removeLast();
    }
    return activeBankView(s.frame());
}

inline QPoint cellPoint(CToneloomView* view, int index)
{
    return view->cellRect(index).center() - view->scrollPosition();
}

inline void clickItem(CToneloomView* view, int index, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, cellPoint(view, index));
}

// A move of the pointer to point of widget with buttons held (Qt's test moves carry no
// button state).
inline void movePointer(QWidget* widget, const QPoint& point, Qt::MouseButtons buttons = Qt::LeftButton)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(point), widget->mapToGlobal(QPointF(point)), Qt::NoButton, buttons,
                     Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// Carries the drags of a test in place of Qt's drag loop (which the offscreen platform
// does not run): it delivers the enter, move, leave and drop events to the windows the
// test's pointer goes over, as the loop would.
class CScriptedDragRunner : public CItemDragRunner
{
public:
    // What the user does while the drag runs; it ends with a drop or a cancel.
    std::function<void()> during;
    int drags = 0;

    Qt::DropAction run(QWidget*, std::unique_ptr<QMimeData> data, Qt::DropActions actions) override
    {
        ++drags;
        m_data = std::move(data);
        m_actions = actions;
        m_result = Qt::IgnoreAction;
        m_running = true;
        if (during)
            during();
        if (m_running)
            leave();
        m_running = false;
        m_data.reset();
        return m_result;
    }
    void cancel() override
    {
        leave();
        m_running = false;
    }
    bool running() const { return m_running; }

    // The pointer over point of a window's viewport.
    void over(QWidget* viewport, const QPoint& point)
    {
        if (!m_running)
            return;
        if (viewport != m_target) {
            leave();
            QDragEnterEvent enter(point, m_actions, m_data.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &enter);
            if (!enter.isAccepted())
                return;
            m_target = viewport;
        }
        QDragMoveEvent move(point, m_actions, m_data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
        m_accepted = move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    }
    // The release of the button over point of a window's viewport.
    void drop(QWidget* viewport, const QPoint& point)
    {
        over(viewport, point);
        if (!m_running)
            return;
        m_running = false;
        if (m_target != viewport || m_accepted == Qt::IgnoreAction) {
            leave();
            return;
        }
        QDropEvent drop(QPointF(point), m_actions, m_data.get(), Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        m_result = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        m_target = nullptr;
    }

private:
    void leave()
    {
        if (!m_target)
            return;
        QDragLeaveEvent leave;
        QApplication::sendEvent(m_target, &leave);
        m_target = nullptr;
    }

    std::unique_ptr<QMimeData> m_data;
    Qt::DropActions m_actions;
    Qt::DropAction m_result = Qt::IgnoreAction;
    Qt::DropAction m_accepted = Qt::IgnoreAction;
    QPointer<QWidget> m_target;
    bool m_running = false;
};

inline CScriptedDragRunner& dragRunner()
{
    static CScriptedDragRunner runner;
    CItemDragRunner::install(&runner);
    return runner;
}

// Presses the left button on item fromIndex of from and moves the pointer until the
// view starts its drag. While the drag runs, during() does what the user does with the
// pointer (dragOver, dropOn, a right click that cancels). Returns when the drag is over.
inline void dragFrom(CToneloomView* from, int fromIndex, const std::function<void()>& during)
{
    QWidget* source = from->viewport();
    const QPoint start = cellPoint(from, fromIndex);
    CScriptedDragRunner& runner = dragRunner();
    const int before = runner.drags;
    runner.during = during;
    QTest::mousePress(source, Qt::LeftButton, {}, start);
    movePointer(source, start + QPoint(10, 10));
    runner.during = nullptr;
    if (runner.drags == before) // no drag started: the button is still down over the source
        QTest::mouseRelease(source, Qt::LeftButton, {}, start + QPoint(10, 10));
}

// The pointer over item index of view, with the left button held.
inline void dragOver(CToneloomView* view, int index)
{
    dragRunner().over(view->viewport(), cellPoint(view, index));
}

// Releases the left button over item index of view: the drop.
inline void dropOn(CToneloomView* view, int index)
{
    dragRunner().drop(view->viewport(), cellPoint(view, index));
}

// A drag of the selection of from onto item toIndex of to.
inline void dragItems(CToneloomView* from, int fromIndex, CToneloomView* to, int toIndex)
{
    dragFrom(from, fromIndex, [&] {
        dragOver(to, toIndex);
        dropOn(to, toIndex);
    });
}

// A test class of windows: a private folder, fresh settings files and sessions.
class CAppTestCase : public QObject
{
protected:
    QTemporaryDir m_dir;
    int m_iniCount = 0;

    QString freshIni() { return m_dir.filePath(QStringLiteral("t%1.ini").arg(++m_iniCount)); }
    std::unique_ptr<Session> start(const QString& ini, CMidiPortProvider& ports)
    {
        return startSession(ini, ports, m_dir.path());
    }
};

} // namespace testsupport
