#include "editors/EFXDialog.h"

#include "model/EfxTypes.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

CEFXDialog::CEFXDialog(CRecordEdit& edit, CServices& services, QWidget* parent)
    : CParamPage(edit, services, params::Page::Efx, 0, parent)
{
    auto* outer = new QHBoxLayout(this);

    auto* parameters = new QGroupBox(QStringLiteral("Parameters"), this);
    auto* rows = new QGridLayout(parameters);
    int row = 0;
    if (const params::Param* type = rowEndingWith(QStringLiteral("efx.type")))
        addPair(rows, row++, 0, *type);
    for (int k = 1; k <= efx::kRowCount; ++k) {
        if (const params::Param* p = rowEndingWith(QStringLiteral("efx.row%1").arg(k)))
            addPair(rows, row++, 0, *p);
    }
    rows->setColumnStretch(1, 1);
    rows->setRowStretch(row, 1);
    outer->addWidget(parameters, 3);

    auto* side = new QVBoxLayout;
    const auto box = [&](const QString& title, const QStringList& suffixes) {
        auto* group = new QGroupBox(title, this);
        auto* grid = new QGridLayout(group);
        int r = 0;
        for (const QString& suffix : suffixes) {
            if (const params::Param* p = rowEndingWith(suffix))
                addPair(grid, r++, 0, *p);
        }
        grid->setColumnStretch(1, 1);
        side->addWidget(group);
        return group;
    };
    if (rowEndingWith(QStringLiteral("efx.sourceA")))
        box(QStringLiteral("Sources"),
            {QStringLiteral("efx.sourceA"), QStringLiteral("efx.sourceB"), QStringLiteral("efx.sourceC")});
    box(QStringLiteral("Output"), {QStringLiteral("efx.output"), QStringLiteral("efx.level"),
                                   QStringLiteral("efx.chorusSend"), QStringLiteral("efx.reverbSend")});

    auto* controls = new QGroupBox(QStringLiteral("Controls"), this);
    auto* grid = new QGridLayout(controls);
    for (int c = 0; c < 2; ++c) {
        auto* button = new QPushButton(controls);
        button->setAutoDefault(false);
        m_controls[c] = button;
        grid->addWidget(button, 3 * c, 0, 1, 2);
        const params::Param* source = rowEndingWith(QStringLiteral("efx.control%1.source").arg(c + 1));
        const params::Param* depth = rowEndingWith(QStringLiteral("efx.control%1.depth").arg(c + 1));
        if (source)
            addPair(grid, 3 * c + 1, 0, *source);
        if (depth)
            addPair(grid, 3 * c + 2, 0, *depth);
        // The button leads to the control's source.
        if (source) {
            connect(button, &QPushButton::clicked, this, [this, source] {
                if (QWidget* w = control(source->id))
                    w->setFocus(Qt::OtherFocusReason);
            });
        }
    }
    grid->setColumnStretch(1, 1);
    side->addWidget(controls);
    side->addStretch(1);
    outer->addLayout(side, 2);
}

QPushButton* CEFXDialog::controlButton(int control) const
{
    return control == 2 ? m_controls[1] : m_controls[0];
}

void CEFXDialog::loadExtras()
{
    const params::Param* type = rowEndingWith(QStringLiteral("efx.type"));
    const int t = type ? edit().value(*type, 0) : 0;
    for (int c = 0; c < 2; ++c)
        m_controls[c]->setText(efx::controlText(t, c + 1));
}
