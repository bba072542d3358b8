#pragma once

#include "editors/TabPage.h"
#include "model/ParamTable.h"

#include <QStringList>
#include <memory>
#include <vector>

class QGridLayout;
class QLabel;

// A page built from the parameter tables: it lays out the rows of its page and binds
// each control to a row and a column (a tone, a part, a key) by the row's id. A list
// shows the row's value list in the record's context (a wave group's waves, a
// multi-effect type's row, the synced times of a clocked LFO), a check box 0 and 1, a
// number box the stored value plus the row's shown offset, the name its text. Rows the
// synthesizer model has no use for and multi-effect rows the record's type leaves out
// are hidden, with their labels.
class CParamPage : public CTabPage
{
    Q_OBJECT

public:
    // index: the part of a part page, the key of a rhythm page; else 0.
    CParamPage(CRecordEdit& edit, CServices& services, params::Page page, int index = 0, QWidget* parent = nullptr);
    ~CParamPage() override;

    params::Page page() const { return m_page; }
    void loadFromRecord() override;
    void setToneSelection(const CRecordEdit::Selection& selection) override;

    // The control bound to a row and column, and the row's label (null when none).
    QWidget* control(const QString& id, int column = 0) const;
    QLabel* label(const QString& id) const;
    // The columns a row of this page shows: the four tones of a tone row, else one.
    std::vector<int> columnsOf(const params::Param& p) const;
    // The row's label as the page shows it: with its colon.
    static QString labelText(const QString& label);

protected:
    // The rows of this page in order.
    std::vector<const params::Param*> pageRows() const;
    // The row of an id that ends with suffix among this page's rows ("efx.type").
    const params::Param* rowEndingWith(const QString& suffix) const;

    // Makes the control of row p in column, bound to it, and the row's label.
    QWidget* bind(const params::Param& p, int column);
    QLabel* bindLabel(const params::Param& p);
    // A grid of tone rows: the headers "TONE 1".."TONE 4" in row firstRow (unless
    // headers is false), then one row per parameter with its label in grid column 0 and a
    // control per tone. Returns the next free grid row.
    int addToneRows(QGridLayout* grid, int firstRow, const std::vector<const params::Param*>& rows,
                    bool headers = true);
    void addToneHeaders(QGridLayout* grid, int row);
    // A label and the control of its row in a grid at (row, column * 2).
    void addPair(QGridLayout* grid, int row, int column, const params::Param& p);
    QLabel* addHeader(QGridLayout* grid, int row, int column, const QString& text);

    // What a page adds to loading: graphs, captions. Runs after the bound controls.
    virtual void loadExtras() {}
    // The page's own widgets of a tone column follow the tone selection.
    virtual void enableColumn(int column, bool enabled);

    // The copy kept less than the user asked for (the voice reserve rule).
    virtual void valueLowered(const params::Param&, int /*asked*/, int /*kept*/) {}

    bool isLoading() const { return m_loading > 0; }
    // Shows a refused value's message.
    void refuse(const QString& text);

private:
    struct Binding;
    void onChanged(Binding& binding, int value);
    void show(Binding& binding);
    QStringList itemsOf(const Binding& binding, std::vector<int>* values) const;
    int displayedIndex(const Binding& binding, int value) const;
    void loadExcept(const Binding* source);

    params::Page m_page;
    int m_index;
    std::vector<std::unique_ptr<Binding>> m_bindings;
    std::vector<std::pair<const params::Param*, QLabel*>> m_labels;
    int m_loading = 0;
};
