#pragma once

#include <QString>
#include <QStringList>

/// Finds the named parameter markers (":NAME") of a statement text and replaces each with "?".
/// A marker is a colon followed by letters, digits and underscores; colons inside '...' literals ('' escapes),
/// "..." or [...] quoted identifiers, -- and /* */ comments, and "::" are left alone.
class ParameterScanner {
public:
    explicit ParameterScanner(const QString& ASql);

    /// The text with every marker replaced by "?".
    const QString& PositionalSql() const { return Positional; }
    /// The marker names in order of occurrence, as written.
    const QStringList& Occurrences() const { return Names; }
    /// One entry per distinct name (compared without regard to case), in order of first appearance.
    const QStringList& DistinctNames() const { return Distinct; }
    /// For each occurrence, the index of its name in DistinctNames().
    const QList<int>& OccurrenceIndexes() const { return Indexes; }

private:
    void AddMarker(const QString& AName);

    QString Positional;
    QStringList Names;
    QStringList Distinct;
    QList<int> Indexes;
};
