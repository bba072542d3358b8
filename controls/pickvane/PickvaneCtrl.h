#pragma once

#include "controls/common/ControlExport.h"
#include "controls/common/ControlModule.h"
#include "controls/common/DispatchTable.h"

#include <QtGui/QColor>
#include <QtGui/QFont>
#include <QtWidgets/QWidget>

class QDialog;
class QMenu;

// The choice control: shows the chosen item of a short list; a click pops the list up,
// and choosing an item fires SendString with the message template and the item's value.
// The control knows nothing of MIDI; the host fills the template and sends it.
class TONELOOM_CONTROL_API CPickvaneCtrl : public QWidget, public IDispatchable
{
    Q_OBJECT
    Q_INTERFACES(IDispatchable)
    Q_PROPERTY(QString ListItems READ listItems WRITE setListItems)
    Q_PROPERTY(QString SysExString READ sysExString WRITE setSysExString)
    Q_PROPERTY(QString ListValues READ listValues WRITE setListValues)
    Q_PROPERTY(short Selection READ selection WRITE setSelection)
    Q_PROPERTY(QColor BackColor READ backColor WRITE setBackColor)
    Q_PROPERTY(QFont Font READ controlFont WRITE setControlFont)

public:
    // Dispatch numbers of the properties and methods; the event has a numbering of its own.
    static constexpr int kListItemsId = 1;
    static constexpr int kSysExStringId = 2;
    static constexpr int kListValuesId = 3;
    static constexpr int kSelectionId = 4;
    static constexpr int kResetId = 5;
    static constexpr int kGetListValueId = 6;
    static constexpr int kSendStringEventId = 1;

    // Popup entries carry these command numbers; only the first ten are answered.
    static constexpr int kFirstCommand = 100;
    static constexpr int kChoosableEntries = 10;
    static constexpr quint32 kStockMask = 0x5; // BackColor and Font

    explicit CPickvaneCtrl(QWidget* parent = nullptr);
    ~CPickvaneCtrl() override;

    const CDispatchTable& dispatchTable() const override;

    QString listItems() const { return m_listItems; }
    void setListItems(const QString& text);
    QString sysExString() const { return m_sysExString; }
    void setSysExString(const QString& text);
    QString listValues() const { return m_listValues; }
    void setListValues(const QString& text);
    short selection() const { return m_selection; }
    // Also becomes the selection that Reset goes back to.
    void setSelection(short selection);
    QColor backColor() const { return m_backColor; }
    void setBackColor(const QColor& color);
    QFont controlFont() const { return m_font; }
    void setControlFont(const QFont& font);
    QColor foreColor() const { return m_foreColor; }

    QStringList items() const { return m_items; }
    QList<short> values() const { return m_values; }
    QString shownText() const { return m_shownText; }
    bool hasFocusFlag() const { return m_focus; }
    bool isModified() const { return m_modified; }
    void setModified(bool modified) { m_modified = modified; }

    // Shows item index and announces its value when both lists hold it.
    void select(int index);
    // The popup of the items, entries numbered from kFirstCommand.
    QMenu* createChoiceMenu(QWidget* parent);
    // Runs a popup command; false for numbers the control does not answer.
    bool handleMenuCommand(int command);

    void writeState(QDataStream& stream) const;
    bool readState(QDataStream& stream);
    Q_INVOKABLE QByteArray saveState() const;
    Q_INVOKABLE bool loadState(const QByteArray& state);

    Q_INVOKABLE QDialog* createPropertyPage(QWidget* parent);

    QSize sizeHint() const override;

public slots:
    void Reset();
    short GetListValue(short pNum) const;

signals:
    // Event 1.
    void SendString(const QString& sysExString, short value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool isChoosable(int index) const;
    void resetDefaults();

    CModuleLock m_moduleLock;
    QSize m_storedExtent; // empty until a stored state names one
    QString m_listItems;
    QString m_sysExString;
    QString m_listValues;
    short m_selection = 0;
    short m_savedSelection = 0;
    QStringList m_items;
    QList<short> m_values;
    QString m_shownText;
    QColor m_backColor;
    QColor m_foreColor;
    QFont m_font;
    bool m_focus = false;
    bool m_modified = false;
};
