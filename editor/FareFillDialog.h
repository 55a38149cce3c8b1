// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// 「運賃の一括入力」: fills the whole fare matrix from a flat fare, from a
// zone of each stop and a zone-to-zone table, or from the distance of each
// stop and a fare rule. The cells nobody holds are left as they are. The
// dialog checks its input with the same fill the document applies, so OK
// is refused with the reason shown rather than after the dialog is gone.

#include "route/FareFill.h"
#include "route/RouteDocument.h"

#include <QDialog>

class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QTabWidget;
class QTableWidget;

class FareFillDialog final : public QDialog {
    Q_OBJECT
public:
    enum Kind { Flat, Zones, Distance };

    // What the user gave, kept by the window between fills.
    struct Inputs {
        int flatFare = 0;
        QList<int> zoneOfStop;       // by stop
        QList<QList<int>> zoneFares; // [from zone - 1][to zone - 1]
        QList<double> kmOfStop;      // by stop
        DistanceRule rule{150, 2.0, 30, 1.0};
    };

    FareFillDialog(const RouteDocument& doc, Kind kind, const Inputs& inputs,
                   QWidget* parent = nullptr);

    Kind kind() const;
    // Valid after accept().
    const Inputs& inputs() const { return m_inputs; }

    void accept() override;

private:
    QWidget* flatPage();
    QWidget* zonePage();
    QWidget* distancePage();
    void setZoneCount(int zones);
    // The controls' values into m_inputs; false with the reason shown.
    bool read();

    const RouteDocument& m_doc;
    Inputs m_inputs;
    QTabWidget* m_tabs = nullptr;
    QSpinBox* m_flatFare = nullptr;
    QSpinBox* m_zoneCount = nullptr;
    QTableWidget* m_zoneStops = nullptr;
    QTableWidget* m_zoneFares = nullptr;
    QTableWidget* m_kmStops = nullptr;
    QSpinBox* m_baseFare = nullptr;
    QDoubleSpinBox* m_baseKm = nullptr;
    QSpinBox* m_stepFare = nullptr;
    QDoubleSpinBox* m_stepKm = nullptr;
    QLabel* m_error = nullptr;
};
