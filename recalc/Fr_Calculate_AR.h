#pragma once

#include "recalc/Fr_Calculate.h"

// Recalculates the receivable balances of a year.
class TFrCalculate_AR : public TFrCalculate {
    Q_OBJECT
public:
    TFrCalculate_AR() : TFrCalculate(QStringLiteral("คำนวนยอดหนี้ลูกหนี้"), "Calculate_AR") {
        setObjectName("FrCalculate_AR");
    }
};
