#pragma once

#include <QObject>
#include <QString>

class CDocTemplate;

// The signals every document window sends to the frame around it: its commands'
// states, its title or its modified state changed. A document window owns one.
class CDocumentViewSignals : public QObject
{
    Q_OBJECT

signals:
    // Selection, kind, history or document state changed: menu entries may need updating.
    void commandStateChanged();
    // The title or the modified state changed: the frame and the main window show them.
    void titleChanged();
};

// What the main frame needs of the window of any document (bank or library): its
// file, its modified state and saving. A document window is a QWidget that also
// implements this interface; it owns its document.
class CDocumentView
{
public:
    virtual ~CDocumentView() = default;
    virtual QString documentPath() const = 0;
    // The name shown in the window's title: the file name, or "Bank1" for a new one.
    virtual QString documentTitle() const = 0;
    virtual bool isDocumentModified() const = 0;
    // Saves under the document's path, asking for one first when it has none or when
    // saveAs is set. False when nothing was saved (cancelled or failed).
    virtual bool saveDocument(bool saveAs) = 0;
    virtual CDocTemplate* docTemplate() const = 0;
    // The program's settings changed (the bank windows' font size, for one).
    virtual void settingsChanged() {}

    CDocumentViewSignals& viewSignals() { return m_signals; }

    // The document window shown in widget (a frame's content), or none.
    static CDocumentView* of(QObject* widget);

private:
    CDocumentViewSignals m_signals;
};
