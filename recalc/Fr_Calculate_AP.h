#pragma once

#include "recalc/Fr_Calculate.h"

// Recalculates the payable balances of a year.
class TFrCalculate_AP : public TFrCalculate {
    Q_OBJECT
public:
    TFrCalculate_AP() : TFrCalculate(QStringLiteral("คำนวนยอดหนี้เจ้าหนี้"), "Calculate_AP") {
        setObjectName("FrCalculate_AP");
    }
};
