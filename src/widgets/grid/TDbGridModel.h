#pragma once

#include "data/TDbFieldDef.h"
#include "data/TDbQuery.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>

#include <array>
#include <exception>
#include <functional>
#include <memory>

class CellFormat;

/// Table model over a row set: one column per field, titled with the field name, and the rows fetched so far.
/// Further rows are fetched in batches only when the view asks for them (canFetchMore / fetchMore). Read-only.
/// UI thread only.
class TDbGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    /// Receives an error raised while fetching rows for the view.
    using ErrorReporter = std::function<void(std::exception_ptr)>;

    static constexpr int BatchSize = 100;

    explicit TDbGridModel(QObject* AParent = nullptr);
    ~TDbGridModel() override;

    /// The row set shown; not owned. Null shows nothing.
    void SetDataSet(TDbQuery* AQuery);
    TDbQuery* DataSet() const { return Query; }

    /// Replaces the default reporter, which re-raises the error from a posted event so that it reaches the
    /// application's error handler outside of layout and painting.
    void SetErrorReporter(ErrorReporter AReporter);

    /// Announces every row the row set has fetched but the view does not know yet.
    void SyncRows();
    /// The field's display width in characters.
    int DisplayWidth(int AColumn) const;

    int rowCount(const QModelIndex& AParent = {}) const override;
    int columnCount(const QModelIndex& AParent = {}) const override;
    QVariant data(const QModelIndex& AIndex, int ARole = Qt::DisplayRole) const override;
    QVariant headerData(int ASection, Qt::Orientation AOrientation, int ARole = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& AIndex) const override;
    bool canFetchMore(const QModelIndex& AParent) const override;
    void fetchMore(const QModelIndex& AParent) override;

private:
    void Reload();
    void RowsFetched();

    QPointer<TDbQuery> Query;
    QList<TDbFieldDef> Fields;
    int Rows = 0;
    bool Shown = false;       ///< Fields and Rows describe an open row set
    bool FetchFailed = false; ///< a fetch for the view failed; no more until the next opening
    ErrorReporter Reporter;
    /// The formats of the system locale as of the last opening.
    std::shared_ptr<const CellFormat> Format;

    /// The texts of a row shown lately: painting it again formats none of its cells again.
    struct ShownRow {
        int Row = -1;
        QList<QString> Texts;
        QList<bool> Made;
    };
    const QString& ShownText(int ARow, int AColumn) const;
    /// A row's place is its number modulo the count: enough for the rows of a window and some scrolling.
    static constexpr int ShownRows = 128;
    mutable std::array<ShownRow, ShownRows> Recent;
};
