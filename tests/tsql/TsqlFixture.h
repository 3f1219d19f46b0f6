#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "dbcore/Error.h"
#include "tests/common/ResultRows.h"
#include "tsql/Session.h"

// A fresh embedded server with one database "Shop", and a session on it.
class TsqlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        tsql::Session master(dir_.path(), QStringLiteral("master"));
        master.execute(QStringLiteral("CREATE DATABASE Shop"), {});
        session_ = std::make_unique<tsql::Session>(dir_.path(), QStringLiteral("Shop"));
    }

    db::BatchResult run(const QString& sql, const std::vector<db::BoundValue>& params = {}) {
        return session_->execute(sql, params);
    }

    // Rows of the first row set, each row's values joined with '|', NULL as "NULL".
    QStringList rows(const QString& sql, const std::vector<db::BoundValue>& params = {}) {
        return firstRowSetAsText(run(sql, params));
    }

    QString scalar(const QString& sql, const std::vector<db::BoundValue>& params = {}) {
        QStringList r = rows(sql, params);
        return r.isEmpty() ? QStringLiteral("<no row>") : r.first();
    }

    // Error number raised by the batch, 0 when it succeeds.
    int errorOf(const QString& sql, QString* message = nullptr) {
        try {
            run(sql);
        } catch (const db::Error& e) {
            if (message)
                *message = e.message();
            return e.nativeError();
        }
        return 0;
    }

    static db::BoundValue integer(qint64 v) { return {db::FieldType::Integer, QVariant(v)}; }
    static db::BoundValue text(const QString& v) { return {db::FieldType::String, QVariant(v)}; }

    QTemporaryDir dir_;
    std::unique_ptr<tsql::Session> session_;
};
