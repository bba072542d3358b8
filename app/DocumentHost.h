#pragma once

#include <QList>
#include <QString>

class CDocTemplate;
class CEmulatorDevice;
class QWidget;

// What the main window and the services ask of the program that owns them: opening
// documents, the open ones, the kinds of document there are, and the commands that
// belong to the program rather than to a window. They know only this, not the program
// object.
class CDocumentHost
{
public:
    virtual ~CDocumentHost() = default;

    // ".clb" opens a library, every other file a bank; a file that is open already has
    // its window activated. The document's window, or nullptr when it could not be opened.
    virtual QWidget* OpenDocumentFile(const QString& path) = 0;
    // The window of the open document whose file is path, or none.
    virtual QWidget* findOpenDocument(const QString& path) const = 0;
    // The windows of the open documents, in the order they were opened.
    virtual QList<QWidget*> documentWindows() const = 0;
    virtual QList<CDocTemplate*> templates() const = 0;
    // The built-in emulator when the program runs on it, or none.
    virtual CEmulatorDevice* emulator() const = 0;

    virtual void OnFileNew() = 0;
    virtual void OnFileOpen() = 0;
    virtual void OnAppAbout() = 0;
    virtual void OnFilePrintSetup() = 0;

protected:
    CDocumentHost() = default;
    CDocumentHost(const CDocumentHost&) = default;
    CDocumentHost& operator=(const CDocumentHost&) = default;
};
