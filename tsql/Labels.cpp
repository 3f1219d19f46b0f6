#include "tsql/Labels.h"

#include <QSet>

#include "tsql/Errors.h"

namespace tsql {

namespace {

QString folded(const QString& label) {
    return label.toCaseFolded();
}

// The statement lists directly inside `s`, and the single statements an IF or WHILE runs.
template <typename OnList, typename OnStatement>
void forEachInner(const Stmt& s, OnList onList, OnStatement onStatement) {
    switch (s.kind) {
        case Stmt::Block:
            onList(static_cast<const BlockStmt&>(s).body);
            break;
        case Stmt::TryCatch:
            onList(static_cast<const TryCatchStmt&>(s).tryBody);
            onList(static_cast<const TryCatchStmt&>(s).catchBody);
            break;
        case Stmt::If: {
            const auto& i = static_cast<const IfStmt&>(s);
            onStatement(*i.then);
            if (i.otherwise)
                onStatement(*i.otherwise);
            break;
        }
        case Stmt::While:
            onStatement(*static_cast<const WhileStmt&>(s).body);
            break;
        default:
            break;
    }
}

const StmtList* routineBody(const Stmt& s) {
    switch (s.kind) {
        case Stmt::CreateProcedure:
            return &static_cast<const CreateProcedureStmt&>(s).body;
        case Stmt::CreateFunction:
            return &static_cast<const CreateFunctionStmt&>(s).body;
        case Stmt::CreateTrigger:
            return &static_cast<const CreateTriggerStmt&>(s).body;
        default:
            return nullptr;
    }
}

void collect(const Stmt& s, QSet<QString>& declared) {
    if (s.kind == Stmt::Label) {
        const QString& name = static_cast<const LabelStmt&>(s).name;
        if (declared.contains(folded(name)))
            raise(132, QStringLiteral("The label '%1' has already been declared. Label names must "
                                      "be unique within a query batch or stored procedure.")
                           .arg(name));
        declared.insert(folded(name));
    }
    forEachInner(
        s,
        [&](const StmtList& list) {
            for (const StmtPtr& inner : list)
                collect(*inner, declared);
        },
        [&](const Stmt& inner) { collect(inner, declared); });
}

void checkList(const StmtList& list, QSet<QString> visible, const QSet<QString>& declared);

void checkStatement(const Stmt& s, const QSet<QString>& visible, const QSet<QString>& declared) {
    if (const StmtList* body = routineBody(s)) {
        checkLabels(*body);
        return;
    }
    if (s.kind == Stmt::Goto) {
        const QString& label = static_cast<const GotoStmt&>(s).label;
        if (!declared.contains(folded(label)))
            raise(133, QStringLiteral("A GOTO statement references the label '%1' but the label "
                                      "has not been declared.")
                           .arg(label));
        if (!visible.contains(folded(label)))
            notSupported(QStringLiteral("GOTO into a block that does not hold the GOTO"));
    }
    forEachInner(
        s, [&](const StmtList& list) { checkList(list, visible, declared); },
        [&](const Stmt& inner) { checkStatement(inner, visible, declared); });
}

void checkList(const StmtList& list, QSet<QString> visible, const QSet<QString>& declared) {
    for (const StmtPtr& s : list)
        if (s->kind == Stmt::Label)
            visible.insert(folded(static_cast<const LabelStmt&>(*s).name));
    for (const StmtPtr& s : list)
        checkStatement(*s, visible, declared);
}

}  // namespace

void checkLabels(const StmtList& batch) {
    QSet<QString> declared;
    for (const StmtPtr& s : batch)
        collect(*s, declared);
    checkList(batch, {}, declared);
}

}  // namespace tsql
