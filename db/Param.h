#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <vector>

#include "dbcore/Types.h"

namespace db {

// A named, typed parameter of a query, script or stored procedure.
class Param {
public:
    Param() = default;
    explicit Param(QString name, FieldType type = FieldType::Unknown,
                   ParamDirection direction = ParamDirection::Input)
        : name_(std::move(name)), type_(type), direction_(direction) {}

    const QString& name() const { return name_; }
    FieldType type() const { return type_; }
    void setType(FieldType type) { type_ = type; }
    ParamDirection direction() const { return direction_; }
    void setDirection(ParamDirection direction) { direction_ = direction; }

    // A parameter is bound once a value (possibly NULL) has been given to it.
    bool isBound() const { return bound_; }
    bool isNull() const { return value_.isNull(); }
    const QVariant& value() const { return value_; }

    void setAsInteger(qint64 v) { set(FieldType::Integer, QVariant(static_cast<qlonglong>(v))); }
    void setAsString(const QString& v) { set(FieldType::String, QVariant(v)); }
    void setAsFloat(double v) { set(FieldType::Float, QVariant(v)); }
    void setAsDateTime(const QDateTime& v) { set(FieldType::DateTime, QVariant(v)); }
    // NULL of the current type (String when none was declared).
    void setNull();
    // Stores a value as the driver returned it (output parameters).
    void setValue(FieldType type, const QVariant& v) { set(type, v); }
    // Takes type, value and bound state from another parameter.
    void assignValue(const Param& other);

    qint64 asInteger() const;
    QString asString() const;
    double asFloat() const;
    QDateTime asDateTime() const;

    BoundValue bound() const { return {type_, value_}; }

private:
    void set(FieldType type, QVariant v) {
        type_ = type;
        value_ = std::move(v);
        bound_ = true;
    }

    QString name_;
    FieldType type_ = FieldType::Unknown;
    ParamDirection direction_ = ParamDirection::Input;
    QVariant value_;
    bool bound_ = false;
};

// An ordered list of parameters, looked up by name without regard to case.
class Params {
public:
    Param* find(const QString& name);
    const Param* find(const QString& name) const;
    // Raises db::Error "Parameter 'X' not found" when absent.
    Param& byName(const QString& name);
    const Param& byName(const QString& name) const;
    // The same for a name spelt in the code, without making a QString of it.
    Param& byName(QLatin1StringView name);

    Param& add(const Param& p);
    void clear() { list_.clear(); }
    int count() const { return static_cast<int>(list_.size()); }
    Param& at(int i) { return list_.at(i); }
    const Param& at(int i) const { return list_.at(i); }
    auto begin() { return list_.begin(); }
    auto end() { return list_.end(); }
    auto begin() const { return list_.begin(); }
    auto end() const { return list_.end(); }

    // Replaces the list by parameters of the given names (in that order), keeping type and value
    // of every old parameter whose name recurs.
    void rebuild(const QStringList& names);
    // Copies type and value from each parameter of `other` into the one of the same name here;
    // names this list does not have are ignored.
    void assignValues(const Params& other);

private:
    template <typename Name>
    Param* findName(const Name& name);
    template <typename Name>
    Param& byNameOrRaise(const Name& name);

    std::vector<Param> list_;
};

// Conversions shared by parameters and fields: NULL reads as 0 or empty text.
qint64 variantToInteger(const QVariant& v);
double variantToFloat(const QVariant& v);
QString variantToString(const QVariant& v);
QDateTime variantToDateTime(const QVariant& v);

}  // namespace db
