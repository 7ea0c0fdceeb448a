#include "data/odbc/TOdbcStatement.h"

#include "data/odbc/ConnectionSocket.h"
#include "data/odbc/OdbcColumnKinds.h"
#include "data/odbc/OdbcErrors.h"
#include "data/odbc/OdbcValueReader.h"
#include "platform/AnsiCodePage.h"

#include <algorithm>
#include <bit>
#include <map>

namespace {
constexpr SQLULEN MaxVarcharBytes = 8000;
constexpr std::size_t MinBufferCharacters = 64;
} // namespace

void OdbcWireOwner::TakeFor(TOdbcStatement* AStatement) {
    if (Holder && Holder != AStatement) {
        TOdbcStatement* Previous = Holder;
        Holder = nullptr;
        Previous->BufferRemainingRows();
    }
}

TOdbcStatement::TOdbcStatement(const OdbcHandle& AConnection, std::shared_ptr<OdbcWireOwner> AWire,
                               OdbcStatementSettings ASettings, const QString& ASql)
    : Statement(SQL_HANDLE_STMT, &AConnection), Wire(std::move(AWire)), Settings(std::move(ASettings)) {
    Wire->TakeFor(this);
    Check(SQLPrepareW(Statement.Get(), OdbcCall::Wide(ASql), SQL_NTS));
}

TOdbcStatement::~TOdbcStatement() {
    Wire->Release(this);
}

void TOdbcStatement::Execute(const QList<TDbBindValue>& AValues) {
    if (Settings.Socket && Settings.Socket->Lost()) {
        throw OdbcErrors::LostWhileIdle();
    }
    ColumnInfos.clear();
    Affected = -1;
    CloseCursor();
    Wire->TakeFor(this);
    Bind(AValues);
    Check(SQLExecute(Statement.Get()));
    if (Settings.Socket) {
        Settings.Socket->Answered();
    }
    SQLLEN Count = -1;
    Check(SQLRowCount(Statement.Get(), &Count));
    Affected = Count;
    Describe();
    RowsLeft = !ColumnInfos.isEmpty();
    if (RowsLeft)
        Wire->Holder = this;
}

void TOdbcStatement::CloseCursor() {
    Buffered.clear();
    RowsLeft = false;
    Wire->Release(this);
    Check(SQLFreeStmt(Statement.Get(), SQL_CLOSE));
}

void TOdbcStatement::BufferRemainingRows() {
    while (RowsLeft && Check(SQLFetch(Statement.Get())) != SQL_NO_DATA) {
        QVariantList Row;
        for (int Column = 0; Column < ColumnInfos.size(); ++Column)
            Row << OdbcValueReader::ReadColumn(Statement, Column + 1, ColumnInfos[Column].FieldKind,
                                               Settings.DriverFile);
        Buffered.push_back(std::move(Row));
    }
    RowsLeft = false;
    Wire->Release(this);
    Check(SQLFreeStmt(Statement.Get(), SQL_CLOSE));
}

void TOdbcStatement::Bind(const QList<TDbBindValue>& AValues) {
    if (Values.size() != std::size_t(AValues.size())) {
        Bound = false;
        Values.clear();
        Values.resize(std::size_t(AValues.size()));
    }
    for (qsizetype I = 0; I < AValues.size(); ++I) {
        const TDbBindValue& Source = AValues[I];
        BoundValue& Target = Values[std::size_t(I)];
        // Both types reach the driver as UTF-16, so that no driver reads 8-bit bytes in a character set of its
        // own choosing; ftString is first reduced to the ANSI code page (characters it lacks become "?") and
        // declared varchar, so the server still receives 8-bit text.
        const bool Narrow = Source.DataType == TDbFieldType::ftString;
        const QString Text = Narrow ? AnsiCodePage::toUnicode(AnsiCodePage::fromUnicode(Source.Value)) : Source.Value;
        // A varchar buffer holds the longest varchar from the start: a buffer that moves must be bound again.
        const bool Moved = Reserve(Target, Narrow ? std::max(std::size_t(Text.size()), std::size_t(MaxVarcharBytes))
                                                  : std::size_t(Text.size()));
        SQLSMALLINT SqlType = SQL_VARCHAR;
        SQLULEN Size = 0;
        if (Narrow) {
            // Declared as the longest varchar(n), whatever the value's length, so that every value a varchar column
            // takes shares one declaration and the statement is prepared once. A driver may cut a longer value to
            // fit it without a word: beyond it the value goes as long text, varchar(max), for good, one byte per
            // character in the code page.
            const bool Long = Target.SqlType == SQL_LONGVARCHAR || SQLULEN(Text.size()) > MaxVarcharBytes;
            SqlType = Long ? SQL_LONGVARCHAR : SQL_VARCHAR;
            Size = Long ? SQLULEN(Target.Capacity) : MaxVarcharBytes;
        } else if (Settings.WideMemoAsMax) {
            SqlType = SQL_WVARCHAR; // size 0: nvarchar(max)
        } else {
            SqlType = SQL_WLONGVARCHAR;
            Size = SQLULEN(Target.Capacity); // what the buffer holds, so that a shorter value keeps the binding
        }
        // From here the driver's binding no longer matches (a moved buffer is already freed) until bound again.
        if (Moved || SqlType != Target.SqlType || Size != Target.Size) {
            Bound = false;
        }
        Target.SqlType = SqlType;
        Target.Size = Size;
        std::copy_n(reinterpret_cast<const SQLWCHAR*>(Text.utf16()), Text.size(), Target.Buffer.get());
        Target.Indicator = SQLLEN(Text.size() * qsizetype(sizeof(SQLWCHAR))); // a null text goes as the empty text
    }
    if (Bound) {
        return;
    }
    // Binding again makes the driver prepare the statement anew on the server (FreeTDS: an unprepare, then a
    // prepare with the execution, two round trips), so it happens only when a type, a size or a buffer changed.
    // A failure on the way leaves the statement unbound: the next execution binds every parameter again.
    Check(SQLFreeStmt(Statement.Get(), SQL_RESET_PARAMS));
    for (std::size_t I = 0; I < Values.size(); ++I) {
        BoundValue& Target = Values[I];
        Check(SQLBindParameter(Statement.Get(), SQLUSMALLINT(I + 1), SQL_PARAM_INPUT, SQL_C_WCHAR, Target.SqlType,
                               Target.Size, 0, Target.Buffer.get(), SQLLEN(Target.Capacity * sizeof(SQLWCHAR)),
                               &Target.Indicator));
    }
    Bound = true;
}

bool TOdbcStatement::Reserve(BoundValue& ATarget, std::size_t ALength) {
    if (ATarget.Buffer && ALength <= ATarget.Capacity)
        return false;
    // Doubling keeps the moves, and the new bindings they cost, few over a series of values of varied lengths.
    ATarget.Capacity = std::bit_ceil(std::max(ALength, MinBufferCharacters));
    ATarget.Buffer = std::make_unique<SQLWCHAR[]>(ATarget.Capacity);
    return true;
}

void TOdbcStatement::Describe() {
    SQLSMALLINT Count = 0;
    Check(SQLNumResultCols(Statement.Get(), &Count));
    std::vector<SQLWCHAR> Name(256);
    for (SQLUSMALLINT Column = 1; Column <= Count; ++Column) {
        SQLSMALLINT NameLength = 0;
        SQLSMALLINT Type = 0;
        SQLULEN Size = 0;
        SQLSMALLINT Digits = 0;
        SQLSMALLINT Nullable = 0;
        for (;;) {
            Check(SQLDescribeColW(Statement.Get(), Column, Name.data(), SQLSMALLINT(Name.size()), &NameLength, &Type,
                                  &Size, &Digits, &Nullable));
            if (std::size_t(NameLength) < Name.size())
                break;
            Name.resize(std::size_t(NameLength) + 1);
        }
        ColumnInfos << OdbcColumnKinds::Classify(OdbcCall::FromWide(Name.data(), NameLength), Type, qint64(Size),
                                                 Digits);
    }
}

bool TOdbcStatement::Fetch(const QList<TDbBoundField>& AFields, QVariantList& ARow) {
    if (!Buffered.empty()) {
        const QVariantList Cells = std::move(Buffered.front());
        Buffered.pop_front();
        ARow.clear();
        for (const TDbBoundField& Field : AFields) {
            const bool Known = Field.Column >= 0 && Field.Column < Cells.size();
            ARow << (Known ? OdbcValueReader::Convert(Cells[Field.Column], Field.Def, ColumnInfos[Field.Column].Name)
                           : QVariant());
        }
        return true;
    }
    if (!RowsLeft)
        return false;
    if (Check(SQLFetch(Statement.Get())) == SQL_NO_DATA) {
        RowsLeft = false;
        Wire->Release(this);
        return false;
    }
    // Drivers hand out column data in ascending column order only, so each needed column is read once, in order.
    std::map<int, QVariant> Cells;
    for (const TDbBoundField& Field : AFields) {
        if (Field.Column >= 0 && Field.Column < ColumnInfos.size())
            Cells.emplace(Field.Column, QVariant());
    }
    for (auto& [Column, Value] : Cells)
        Value = OdbcValueReader::ReadColumn(Statement, Column + 1, ColumnInfos[Column].FieldKind, Settings.DriverFile);
    ARow.clear();
    for (const TDbBoundField& Field : AFields) {
        const auto Cell = Cells.find(Field.Column);
        ARow << (Cell == Cells.end()
                     ? QVariant()
                     : OdbcValueReader::Convert(Cell->second, Field.Def, ColumnInfos[Field.Column].Name));
    }
    return true;
}
