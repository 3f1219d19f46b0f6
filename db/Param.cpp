#include "db/Param.h"

#include "dbcore/Error.h"

namespace db {

qint64 variantToInteger(const QVariant& v) {
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return static_cast<qint64>(v.toDouble());
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (ok)
        return n;
    const QString text = v.toString().trimmed();
    const qint64 parsed = text.toLongLong(&ok);
    if (!ok)
        throw Error::client(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return parsed;
}

double variantToFloat(const QVariant& v) {
    if (v.isNull())
        return 0.0;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok)
        throw Error::client(
            QStringLiteral("'%1' is not a valid floating point value").arg(v.toString()));
    return d;
}

QString variantToString(const QVariant& v) {
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDateTime) {
        const QDateTime dt = v.toDateTime();
        return dt.time() == QTime(0, 0) ? dt.toString(QStringLiteral("dd/MM/yyyy"))
                                        : dt.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    }
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

QDateTime variantToDateTime(const QVariant& v) {
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    const QString text = v.toString().trimmed();
    for (const char* format : {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd",
                               "dd/MM/yyyy HH:mm:ss", "dd/MM/yyyy"}) {
        const QDateTime dt = QDateTime::fromString(text, QString::fromLatin1(format));
        if (dt.isValid())
            return dt;
    }
    throw Error::client(QStringLiteral("'%1' is not a valid date and time").arg(text));
}

void Param::setNull() {
    set(type_ == FieldType::Unknown ? FieldType::String : type_, QVariant());
}

void Param::assignValue(const Param& other) {
    type_ = other.type_;
    value_ = other.value_;
    bound_ = other.bound_;
}

qint64 Param::asInteger() const {
    return variantToInteger(value_);
}
QString Param::asString() const {
    return variantToString(value_);
}
double Param::asFloat() const {
    return variantToFloat(value_);
}
QDateTime Param::asDateTime() const {
    return variantToDateTime(value_);
}

template <typename Name>
Param* Params::findName(const Name& name) {
    for (auto& p : list_)
        if (sameName(p.name(), name))
            return &p;
    return nullptr;
}

template <typename Name>
Param& Params::byNameOrRaise(const Name& name) {
    if (Param* p = findName(name))
        return *p;
    throw Error::client(QStringLiteral("Parameter '%1' not found").arg(name));
}

Param* Params::find(const QString& name) {
    return findName(name);
}

const Param* Params::find(const QString& name) const {
    return const_cast<Params*>(this)->find(name);
}

Param& Params::byName(const QString& name) {
    return byNameOrRaise(name);
}

Param& Params::byName(QLatin1StringView name) {
    return byNameOrRaise(name);
}

const Param& Params::byName(const QString& name) const {
    return const_cast<Params*>(this)->byName(name);
}

Param& Params::add(const Param& p) {
    list_.push_back(p);
    return list_.back();
}

void Params::rebuild(const QStringList& names) {
    std::vector<Param> fresh;
    fresh.reserve(names.size());
    for (const auto& name : names) {
        Param p(name);
        if (const Param* old = find(name))
            p.assignValue(*old);
        fresh.push_back(std::move(p));
    }
    list_ = std::move(fresh);
}

void Params::assignValues(const Params& other) {
    for (const auto& p : other)
        if (Param* mine = find(p.name()))
            mine->assignValue(p);
}

}  // namespace db
