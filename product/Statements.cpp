#include "product/Statements.h"

#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "dbcore/Error.h"

namespace product::detail {

db::Query* makeQuery(QObject* owner, const char* name, const QStringList& lines,
                     ParamTypes params) {
    auto* q = new db::Query(QString::fromLatin1(name), QStringLiteral("DMDATA"), lines, owner);
    for (const auto& [param, type] : params)
        q->paramByName(QString::fromLatin1(param)).setType(type);
    return q;
}

namespace {

// An id or count as the caller passed it; the common int is read without a conversion.
qint64 integerOf(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
            return value.value<int>();
        case QMetaType::LongLong:
            return value.value<qlonglong>();
        default:
            return value.toLongLong();
    }
}

}  // namespace

void closeAndSet(db::Query& query, std::initializer_list<std::pair<const char*, QVariant>> values) {
    query.close();
    for (const auto& [name, value] : values) {
        db::Param& p = query.paramByName(QLatin1StringView(name));
        switch (p.type()) {
            case db::FieldType::Integer:
                p.setAsInteger(integerOf(value));
                break;
            case db::FieldType::Float:
                p.setAsFloat(value.toDouble());
                break;
            case db::FieldType::DateTime:
                p.setAsDateTime(value.toDateTime());
                break;
            default:
                p.setAsString(value.toString());
        }
    }
}

void rewriteLine(db::Query& query, int index, const QString& line) {
    if (query.sql().value(index) != line)
        query.setLine(index, line);
}

bool openFound(db::Query& query) {
    query.open();
    return !query.isEmpty();
}

QString firstText(db::Query& query, const char* column) {
    return query.isEmpty() ? QString() : query.fieldByName(QLatin1StringView(column)).asString();
}

namespace {

TDM& companyModule() {
    if (!DM)
        throw db::Error::client(QStringLiteral("The company module DM does not exist"));
    return *DM;
}

}  // namespace

QString configText(const char* column) {
    return companyModule().ConfigField(QLatin1StringView(column)).asString();
}

qint64 configInteger(const char* column) {
    return companyModule().ConfigField(QLatin1StringView(column)).asInteger();
}

int currentUserId() {
    if (!DmConfig)
        throw db::Error::client(QStringLiteral("The configuration module DmConfig does not exist"));
    return DmConfig->UserId;
}

}  // namespace product::detail
