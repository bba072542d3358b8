#include "ui/ChildFrame.h"

#include "ui/DocumentView.h"
#include "ui/Prompter.h"

#include <QCloseEvent>
#include <QIcon>

CChildFrame::CChildFrame(QWidget* view, CPrompter& prompter, QWidget* parent)
    : QMdiSubWindow(parent), m_prompter(prompter)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(QIcon(QStringLiteral(":/icons/toneloom.png")));
    setWidget(view);
    if (CDocumentView* document = documentView())
        connect(&document->viewSignals(), &CDocumentViewSignals::titleChanged, this, &CChildFrame::updateTitle);
    updateTitle();
}

CDocumentView* CChildFrame::documentView() const
{
    return CDocumentView::of(widget());
}

void CChildFrame::updateTitle()
{
    if (const CDocumentView* view = documentView())
        setWindowTitle(view->documentTitle() + QStringLiteral("[*]"));
    if (const CDocumentView* view = documentView())
        setWindowModified(view->isDocumentModified());
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    CDocumentView* view = documentView();
    if (m_askBeforeClose && view && view->isDocumentModified()) {
        const auto answer = m_prompter.ask(QStringLiteral("Save changes to %1?").arg(view->documentTitle()), true);
        if (answer == CPrompter::Answer::Cancel || (answer == CPrompter::Answer::Yes && !view->saveDocument(false))) {
            event->ignore();
            return;
        }
    }
    QMdiSubWindow::closeEvent(event);
}

void CChildFrame::closeWithoutAsking()
{
    m_askBeforeClose = false;
    if (!close())
        m_askBeforeClose = true;
}

void CChildFrame::rememberNormal()
{
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)))
        m_normal = geometry();
}

void CChildFrame::moveEvent(QMoveEvent* event)
{
    QMdiSubWindow::moveEvent(event);
    rememberNormal();
}

void CChildFrame::resizeEvent(QResizeEvent* event)
{
    QMdiSubWindow::resizeEvent(event);
    rememberNormal();
}
