#pragma once

#include <QMdiSubWindow>
#include <QRect>

class CDocumentView;
class CPrompter;

// The frame of a document window inside the main window. It asks whether to save a
// modified document before it closes, and remembers the window's normal place so
// that a maximized window can be stored with the place it returns to.
class CChildFrame : public QMdiSubWindow
{
    Q_OBJECT

public:
    CChildFrame(QWidget* view, CPrompter& prompter, QWidget* parent = nullptr);

    CDocumentView* documentView() const;
    QRect normalGeometry() const { return m_normal; }
    void updateTitle();
    // Closes the window without asking about its document (the program's Exit has
    // asked about every document already).
    void closeWithoutAsking();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void rememberNormal();

    CPrompter& m_prompter;
    QRect m_normal;
    bool m_askBeforeClose = true;
};
