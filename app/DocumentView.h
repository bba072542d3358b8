#pragma once

#include <QString>

class CDocTemplate;

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
};
