#pragma once

#include <QString>

/// The statements the retail module runs on the KVORA database. Each is one text with CR LF line breaks; the
/// layout is kept as written so that a statement captured on the server reads like the source.
namespace RetailStatements {

/// Internal references of the 'FFO'/'TIC' documents that have an open line and no note row yet.
inline const QString RefInternSemMpieceOle = QStringLiteral( //
    "select\r\n"
    "  piece.GP_REFINTERNE\r\n"
    "from\r\n"
    "  piece\r\n"
    "where\r\n"
    "  1=1\r\n"
    "  and piece.GP_NATUREPIECEG = 'FFO'\r\n"
    "  and piece.GP_TYPECOMPTA = 'TIC'\r\n"
    "  and not exists (\r\n"
    "    select\r\n"
    "      top 1 1\r\n"
    "    from\r\n"
    "      MPIECEOLE\r\n"
    "    where\r\n"
    "      1=1\r\n"
    "      and mpieceole.MBP_SOUCHE = piece.GP_SOUCHE\r\n"
    "      and mpieceole.MBP_NUMERO = piece.GP_NUMERO\r\n"
    "  )\r\n"
    "  and exists (\r\n"
    "    select\r\n"
    "      top 1 1\r\n"
    "    from\r\n"
    "      LIGNE\r\n"
    "    where\r\n"
    "      1=1\r\n"
    "      and LIGNE.GL_ETABLISSEMENT = piece.GP_ETABLISSEMENT\r\n"
    "      and LIGNE.gl_souche = piece.gp_souche\r\n"
    "      and LIGNE.gl_numero = piece.gp_numero\r\n"
    "      and GL_QTERESTE > 0\r\n"
    "  )");

/// Stores a coupon's XML as the note row of every document with the reference that has none yet.
/// Markers in order: MBP_QUALIFIANTOLE, MBP_BLOCNOTE, GP_REFINTERNE (bound by position).
inline const QString InsertCupomFiscal = QStringLiteral( //
    "INSERT INTO MPIECEOLE (\r\n"
    "  MBP_NUMERO,\r\n"
    "  MBP_NATUREPIECEG,\r\n"
    "  MBP_SOUCHE,\r\n"
    "  MBP_INDICEG,\r\n"
    "  MBP_QUALIFIANTOLE,\r\n"
    "  MBP_BLOCNOTE\r\n"
    ")\r\n"
    "select\r\n"
    "  piece.GP_NUMERO,\r\n"
    "  piece.GP_NATUREPIECEG,\r\n"
    "  piece.GP_SOUCHE,\r\n"
    "  piece.GP_INDICEG,\r\n"
    "  :MBP_QUALIFIANTOLE,\r\n"
    "  :MBP_BLOCNOTE\r\n"
    "from\r\n"
    "  piece\r\n"
    "where piece.GP_REFINTERNE = :GP_REFINTERNE and not exists (select mbp_numero from mpieceole where "
    "mbp_souche=piece.gp_souche and mbp_numero=piece.gp_numero)");

/// The text of qryLojas.
inline const QString Lojas = QStringLiteral("select ET_ETABLISSEMENT from ETABLISS");

inline const QString ContarLoja =
    QStringLiteral("select count(ET_ETABLISSEMENT) from ETABLISS where ET_ETABLISSEMENT = :IDLOJA");

/// Counts a store's Z reductions whose XML holds the day, compared as text.
inline const QString ContarReducaoZ = QStringLiteral( //
    "SELECT\r\n"
    "  count(*)\r\n"
    "FROM\r\n"
    "  MJOURSCAISSEOLE\r\n"
    "  cross apply (select cast(MBJ_BLOCNOTE as xml)) as REDUCAOZ(XML_FIELD)\r\n"
    "where\r\n"
    "  1=1\r\n"
    "  and MBJ_CAISSE = :IDLOJA\r\n"
    "  and MBJ_QUALIFIANTOLE = 'PRZ'\r\n"
    "  and REDUCAOZ.XML_FIELD.value('(/reducaoZ/dt_movimento)[1]', 'nvarchar(10)') = :DT_MOVIMENTO");

/// Stores a Z reduction under the store's next number above 9000000. IDLOJA occurs twice: bind by name.
inline const QString InsertReducaoZ = QStringLiteral( //
    "INSERT INTO MJOURSCAISSEOLE (\r\n"
    "  MBJ_CAISSE, MBJ_QUALIFIANTOLE, MBJ_NUMZCAISSE, MBJ_BLOCNOTE\r\n"
    ") VALUES (\r\n"
    "  :IDLOJA,\r\n"
    "  :TIPO,\r\n"
    "  (\r\n"
    "    select coalesce(max(MBJ_NUMZCAISSE), 9000000) + 1\r\n"
    "    from MJOURSCAISSEOLE\r\n"
    "    where MBJ_CAISSE = :IDLOJA and MBJ_NUMZCAISSE > 9000000\r\n"
    "  ),\r\n"
    "  :XML);");

} // namespace RetailStatements
