#pragma once

#include "ui/EnvelopeGraph.h"

class CKurvex;

// The program's envelope graph: the envelope control of the control modules, through
// its wrapper. It is at least tall enough that every level of 0..127 has a pixel row of
// its own, so a drag can reach each level and a level drawn is read back unchanged.
class CKurvexGraph : public CEnvelopeGraph
{
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 150;

    explicit CKurvexGraph(QWidget* parent = nullptr);

    // False when no control module gave the control; errorString() tells why.
    bool isValid() const;
    QString errorString() const;
    CKurvex* wrapper() const { return m_kurvex; }

    static int minimumGraphHeight();

protected:
    void showPoints(const Points& points) override;
    void showEnabled(bool enabled) override;
    void showHelpLine(bool on) override;

private:
    CKurvex* m_kurvex;
    bool m_valid;
};
