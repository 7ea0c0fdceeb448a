#!/usr/bin/env python3
"""Demo and benchmark data: a DFe data file of NFC-e coupons and the matching KVORA seed for the stand-in.

    gen_dfe.py --out dfe.sqlite [--kvora-seed kvora.json] [--count 200] [--start 2024-02-01] [--days 29]
               [--seed 1] [--xml-size 6000] [--cancelled 0.05] [--noted 0.2] [--unknown 0.03]

Everything is derived from --seed, so the same arguments always give the same files. The DFe file holds the table
tb_nfce with the seventeen document columns; each coupon's XML (UTF-8, accented Portuguese product names, padded
with items to about --xml-size bytes) is stored in XML_ZEVRIK and XML_NFCE, and about --cancelled of the coupons
also carry a cancellation event in XML_CANCELAMENTO. The KVORA seed (JSON, {"TABLE": [{"COLUMN": value}]}) holds a
sales document (piece) with open lines (LIGNE) for every coupon except about --unknown of them; about --noted of
those documents already have their note row (MPIECEOLE), the others are pending.

Python 3 standard library only. Import it to build other data sets: make_coupons(), write_dfe(), kvora_seed().
"""

import argparse
import datetime as dt
import json
import os
import random
import sqlite3
import sys

COLUMNS = [
    ("ID_ZEVRIK", "VARCHAR(50) NOT NULL PRIMARY KEY"),
    ("ENVIO_MANUAL", "CHAR(1)"),
    ("CANCELADO", "CHAR(1)"),
    ("SERIE", "INTEGER"),
    ("NUMERO", "INTEGER"),
    ("DTHR_EMISSAO", "TIMESTAMP"),
    ("CHAVE_NFE", "VARCHAR(50)"),
    ("CSTAT", "INTEGER"),
    ("XMOTIVO", "VARCHAR(255)"),
    ("CMSG", "INTEGER"),
    ("XMSG", "VARCHAR(255)"),
    ("NPROT", "VARCHAR(15)"),
    ("DHRECBTO", "TIMESTAMP"),
    ("XML_ZEVRIK", "BLOB"),
    ("XML_NFCE", "BLOB"),
    ("XML_CANCELAMENTO", "BLOB"),
    ("VALOR_DOCUMENTO", "NUMERIC(10,2)"),
]

STORE = "001"
SOUCHE = "TIC001"
CNPJ = "12345678000195"
UF_CODE = "35"

PRODUCTS = [
    ("Pão francês kg", "KG", "19.90"),
    ("Açúcar cristal 1 kg", "UN", "4.79"),
    ("Café torrado e moído 500 g", "UN", "17.49"),
    ("Feijão carioca 1 kg", "UN", "8.99"),
    ("Maçã gala kg", "KG", "9.98"),
    ("Limão taiti kg", "KG", "5.49"),
    ("Requeijão cremoso 200 g", "UN", "7.89"),
    ("Pão de queijo congelado 400 g", "UN", "12.90"),
    ("Farinha de mandioca 500 g", "UN", "6.25"),
    ("Salsicha hot-dog kg", "KG", "13.49"),
    ("Água mineral sem gás 1,5 l", "UN", "2.99"),
    ("Coração de frango kg", "KG", "24.90"),
    ("Mamão formosa kg", "KG", "6.99"),
    ("Sabão em pó 1 kg", "UN", "11.79"),
    ("Guaraná 2 l", "UN", "7.49"),
    ("Iogurte de morango 170 g", "UN", "2.79"),
    ("Manteiga com sal 200 g", "UN", "10.99"),
    ("Açaí na tigela 500 ml", "UN", "15.00"),
    ("Pé de moleque 100 g", "UN", "3.50"),
    ("Doce de leite pastoso 400 g", "UN", "9.45"),
]

PAYMENTS = [("01", "Dinheiro"), ("03", "Cartão de crédito"), ("04", "Cartão de débito"), ("17", "PIX")]


def check_digit(digits):
    """Modulus 11 check digit of an access key."""
    total, weight = 0, 2
    for d in reversed(digits):
        total += int(d) * weight
        weight = 2 if weight == 9 else weight + 1
    rest = total % 11
    return "0" if rest < 2 else str(11 - rest)


def access_key(issued, serie, numero, code):
    body = f"{UF_CODE}{issued:%y%m}{CNPJ}65{serie:03d}{numero:09d}1{code:08d}"
    return body + check_digit(body)


def xml_head(coupon):
    issued = coupon["issued"].strftime("%Y-%m-%dT%H:%M:%S-03:00")
    return (
        '<?xml version="1.0" encoding="UTF-8"?>'
        '<nfeProc xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00">'
        f'<NFe><infNFe Id="NFe{coupon["key"]}" versao="4.00"><ide><cUF>{UF_CODE}</cUF>'
        f'<cNF>{coupon["key"][35:43]}</cNF><natOp>VENDA AO CONSUMIDOR</natOp><mod>65</mod>'
        f'<serie>{coupon["serie"]}</serie><nNF>{coupon["numero"]}</nNF><dhEmi>{issued}</dhEmi>'
        "<tpNF>1</tpNF><idDest>1</idDest><tpImp>4</tpImp><tpEmis>1</tpEmis><tpAmb>2</tpAmb><finNFe>1</finNFe>"
        "<indFinal>1</indFinal><indPres>1</indPres></ide>"
        f"<emit><CNPJ>{CNPJ}</CNPJ><xNome>Mercadinho São João Ltda.</xNome>"
        "<enderEmit><xLgr>Rua da Consolação</xLgr><nro>1024</nro><xBairro>Jardim Paulistânia</xBairro>"
        "<xMun>São Paulo</xMun><UF>SP</UF><CEP>01302000</CEP></enderEmit><IE>111222333444</IE><CRT>1</CRT></emit>"
    )


def xml_item(n, name, unit, price, qty):
    """One item of the coupon and its value."""
    value = round(float(price) * qty, 2)
    return (
        f'<det nItem="{n}"><prod><cProd>{1000 + n}</cProd><xProd>{name}</xProd><NCM>19059090</NCM>'
        f"<CFOP>5102</CFOP><uCom>{unit}</uCom><qCom>{qty:.4f}</qCom><vUnCom>{price}</vUnCom>"
        f"<vProd>{value:.2f}</vProd></prod><imposto><ICMS><ICMSSN102><orig>0</orig><CSOSN>102</CSOSN>"
        "</ICMSSN102></ICMS></imposto></det>"
    ), value


def xml_tail(coupon, total):
    pay_code, pay_name = coupon["payment"]
    return (
        f"<total><ICMSTot><vProd>{total:.2f}</vProd><vNF>{total:.2f}</vNF></ICMSTot></total>"
        f"<pag><detPag><tPag>{pay_code}</tPag><xPag>{pay_name}</xPag><vPag>{total:.2f}</vPag></detPag></pag>"
        "<infAdic><infCpl>Obrigado pela preferência! Volte sempre.</infCpl></infAdic></infNFe></NFe>"
        f'<protNFe versao="4.00"><infProt><chNFe>{coupon["key"]}</chNFe><nProt>{coupon["protocol"]}</nProt>'
        "<cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe></nfeProc>"
    )


def coupon_xml(coupon, rng, target_size):
    """The NFC-e XML of a coupon (UTF-8 bytes) with at least one item, items added until it is about target_size
    bytes, and its total."""
    head = xml_head(coupon).encode("utf-8")
    tail_size = len(xml_tail(coupon, 0).encode("utf-8")) + 12  # room for the totals' digits
    items, total, size = [], 0.0, len(head) + tail_size
    while size < target_size or not items:
        name, unit, price = rng.choice(PRODUCTS)
        qty = round(rng.uniform(0.2, 3.0), 3) if unit == "KG" else rng.randint(1, 6)
        item, value = xml_item(len(items) + 1, name, unit, price, qty)
        item = item.encode("utf-8")
        items.append(item)
        total += value
        size += len(item)
    total = round(total, 2)
    return head + b"".join(items) + xml_tail(coupon, total).encode("utf-8"), total


def cancellation_xml(coupon):
    when = (coupon["issued"] + dt.timedelta(minutes=7)).strftime("%Y-%m-%dT%H:%M:%S-03:00")
    return (
        '<?xml version="1.0" encoding="UTF-8"?><procEventoNFe xmlns="http://www.portalfiscal.inf.br/nfe" '
        f'versao="1.00"><evento versao="1.00"><infEvento Id="ID110111{coupon["key"]}01"><cOrgao>{UF_CODE}</cOrgao>'
        f"<tpAmb>2</tpAmb><CNPJ>{CNPJ}</CNPJ><chNFe>{coupon['key']}</chNFe><dhEvento>{when}</dhEvento>"
        "<tpEvento>110111</tpEvento><nSeqEvento>1</nSeqEvento><detEvento versao=\"1.00\">"
        "<descEvento>Cancelamento</descEvento>"
        f"<nProt>{coupon['protocol']}</nProt><xJust>Cliente desistiu da compra após a emissão</xJust>"
        "</detEvento></infEvento></evento></procEventoNFe>"
    )


def make_coupons(count, start, days, seed=1, xml_size=6000, cancelled=0.05):
    """count coupons issued over days days from start (a date), in issue order, as dicts of column values."""
    return list(iter_coupons(count, start, days, seed, xml_size, cancelled))


def iter_coupons(count, start, days, seed=1, xml_size=6000, cancelled=0.05):
    """The coupons of make_coupons one at a time, for data sets too large to hold."""
    rng = random.Random(seed)
    moments = sorted(
        dt.datetime.combine(start + dt.timedelta(days=rng.randrange(days)), dt.time(8)) +
        dt.timedelta(seconds=rng.randrange(14 * 3600))
        for _ in range(count))
    for index, issued in enumerate(moments):
        numero = 1001 + index
        coupon = {
            "issued": issued,
            "serie": 1,
            "numero": numero,
            "protocol": f"1352{issued:%y}{numero:09d}",
            "payment": rng.choice(PAYMENTS),
        }
        coupon["key"] = access_key(issued, 1, numero, rng.randrange(10 ** 8))
        xml, total = coupon_xml(coupon, rng, xml_size)
        is_cancelled = rng.random() < cancelled
        received = issued + dt.timedelta(seconds=rng.randint(1, 9))
        yield {
            "ID_ZEVRIK": f"{STORE}TIC{numero:08d}",
            "ENVIO_MANUAL": "N",
            "CANCELADO": "S" if is_cancelled else "N",
            "SERIE": 1,
            "NUMERO": numero,
            "DTHR_EMISSAO": issued.strftime("%Y-%m-%d %H:%M:%S"),
            "CHAVE_NFE": coupon["key"],
            "CSTAT": 101 if is_cancelled else 100,
            "XMOTIVO": "Cancelamento de NF-e homologado" if is_cancelled else "Autorizado o uso da NF-e",
            "CMSG": None,
            "XMSG": None,
            "NPROT": coupon["protocol"],
            "DHRECBTO": received.strftime("%Y-%m-%d %H:%M:%S"),
            "XML_ZEVRIK": xml,
            "XML_NFCE": xml,
            "XML_CANCELAMENTO": cancellation_xml(coupon).encode("utf-8") if is_cancelled else None,
            "VALOR_DOCUMENTO": total,
        }


def write_dfe(path, coupons):
    """Writes a new DFe data file at path (an existing file is replaced)."""
    if os.path.exists(path):
        os.remove(path)
    names = [name for name, _ in COLUMNS]
    with sqlite3.connect(path) as db:
        db.execute("CREATE TABLE tb_nfce (" + ", ".join(f"{n} {t}" for n, t in COLUMNS) + ")")
        db.executemany(f"INSERT INTO tb_nfce ({', '.join(names)}) VALUES ({', '.join('?' * len(names))})",
                       [[c[n] for n in names] for c in coupons])
    db.close()


def kvora_seed(coupons, seed=1, noted=0.2, unknown=0.03):
    """The KVORA rows for the coupons: a document with open lines per known coupon, some already noted."""
    rng = random.Random(seed + 7919)
    piece, ligne, notes = [], [], []
    for c in coupons:
        if rng.random() < unknown:
            continue
        numero = c["NUMERO"]
        piece.append({"GP_NATUREPIECEG": "FFO", "GP_SOUCHE": SOUCHE, "GP_NUMERO": numero, "GP_INDICEG": 0,
                      "GP_REFINTERNE": c["ID_ZEVRIK"], "GP_TYPECOMPTA": "TIC", "GP_ETABLISSEMENT": STORE})
        for line in range(1, rng.randint(1, 3) + 1):
            ligne.append({"GL_ETABLISSEMENT": STORE, "GL_SOUCHE": SOUCHE, "GL_NUMERO": numero,
                          "GL_NUMLIGNE": line, "GL_QTERESTE": rng.randint(1, 5)})
        if rng.random() < noted:
            notes.append({"MBP_NATUREPIECEG": "FFO", "MBP_SOUCHE": SOUCHE, "MBP_NUMERO": numero,
                          "MBP_INDICEG": 0, "MBP_QUALIFIANTOLE": "PRR",
                          "MBP_BLOCNOTE": c["XML_ZEVRIK"].decode("utf-8")})
    return {"ETABLISS": [{"ET_ETABLISSEMENT": STORE, "ET_LIBELLE": "Loja São João"}],
            "piece": piece, "LIGNE": ligne, "MPIECEOLE": notes}


def main(argv=None):
    today = dt.date.today()
    first = today.replace(day=1)
    next_month = (first + dt.timedelta(days=32)).replace(day=1)
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--out", required=True, help="DFe data file to write (replaced)")
    p.add_argument("--kvora-seed", help="KVORA seed (JSON) to write")
    p.add_argument("--count", type=int, default=200)
    p.add_argument("--start", type=dt.date.fromisoformat, default=first, help="first issue day (default: the "
                   "first day of the current month)")
    p.add_argument("--days", type=int, default=(next_month - first).days, help="number of issue days")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--xml-size", type=int, default=6000, help="approximate size of each coupon XML in bytes")
    p.add_argument("--cancelled", type=float, default=0.05)
    p.add_argument("--noted", type=float, default=0.2, help="share of KVORA documents already noted")
    p.add_argument("--unknown", type=float, default=0.03, help="share of coupons without a KVORA document")
    args = p.parse_args(argv)
    if args.count < 0 or args.days < 1:
        p.error("--count must be 0 or more and --days 1 or more")

    coupons = make_coupons(args.count, args.start, args.days, args.seed, args.xml_size, args.cancelled)
    write_dfe(args.out, coupons)
    summary = f"{len(coupons)} coupons from {args.start} over {args.days} days in {args.out}"
    if args.kvora_seed:
        seed = kvora_seed(coupons, args.seed, args.noted, args.unknown)
        with open(args.kvora_seed, "w", encoding="utf-8") as f:
            json.dump(seed, f, ensure_ascii=False)
        summary += (f"; KVORA: {len(seed['piece'])} documents, {len(seed['MPIECEOLE'])} noted, "
                    f"{len(coupons) - len(seed['piece'])} unknown, in {args.kvora_seed}")
    print(summary)
    return 0


if __name__ == "__main__":
    sys.exit(main())
