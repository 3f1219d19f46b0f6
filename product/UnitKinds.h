#pragma once

#include <QtGlobal>
#include <initializer_list>

// What a product unit is used for; each kind is a flag column of ProductUnits that holds a text
// beginning with "Y" when the unit has the kind.
enum TUnitKind : quint8 { ukSale = 1, ukPurc = 2, ukStock = 4, ukSmall = 8 };

// A set of unit kinds held in one byte, each kind as its bit value.
class TUnitKinds {
public:
    constexpr TUnitKinds() = default;
    constexpr TUnitKinds(std::initializer_list<TUnitKind> kinds) {
        for (TUnitKind k : kinds)
            insert(k);
    }

    constexpr void insert(TUnitKind kind) { bits_ = static_cast<quint8>(bits_ | kind); }
    constexpr bool contains(TUnitKind kind) const { return (bits_ & kind) != 0; }
    constexpr bool isEmpty() const { return bits_ == 0; }
    constexpr quint8 bits() const { return bits_; }
    constexpr bool operator==(const TUnitKinds&) const = default;

private:
    quint8 bits_ = 0;
};

static_assert(sizeof(TUnitKinds) == 1);
