#!/usr/bin/env python3
"""Benchmark data: large DFe data files written in a streaming way, and the KVORA seed of the export benchmark.

    gen_bench_data.py --out FILE --count N --start YYYY-MM-DD --days D [--xml-size BYTES] [--seed S]
    gen_bench_data.py --kvora-bench SEED.json --count N

The coupons are those of gen_dfe.py (same columns, XML and cancellations); they are written in chunks inside one
transaction so that a million coupons need neither a million-entry list nor a commit per row. The export seed holds
3 x N open sales documents: BENCH-T-<n> for the tool, BENCH-R-<n> and BENCH-H-<n> for the two plain ODBC loops.
"""

import argparse
import datetime as dt
import itertools
import json
import os
import sqlite3
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_dfe  # noqa: E402

CHUNK = 5000
# Below this size the full NFC-e layout of gen_dfe.py (about 1.5 KB at the least) gives way to a compact coupon.
COMPACT_BELOW = 1500


def compact_xml(coupon, size):
    """A short coupon XML of about size bytes: the key, number, issue time, one accented item and the total."""
    head = ('<?xml version="1.0" encoding="UTF-8"?><nfeProc versao="4.00"><NFe><infNFe Id="NFe'
            f'{coupon["CHAVE_NFE"]}"><ide><nNF>{coupon["NUMERO"]}</nNF><dhEmi>{coupon["DTHR_EMISSAO"]}</dhEmi></ide>'
            '<det nItem="1"><prod><xProd>Pão de queijo, açúcar e café</xProd></prod></det>')
    tail = (f'<total><vNF>{coupon["VALOR_DOCUMENTO"]:.2f}</vNF></total></infNFe></NFe>'
            f'<protNFe><nProt>{coupon["NPROT"]}</nProt></protNFe></nfeProc>')
    pad = max(0, size - len((head + tail).encode("utf-8")) - len("<infCpl></infCpl>"))
    return (head + "<infCpl>" + "Obrigado pela preferência! "[:pad].ljust(pad, ".") + "</infCpl>" + tail).encode()


def shrink(coupon, size):
    if size < COMPACT_BELOW:
        coupon["XML_ZEVRIK"] = coupon["XML_NFCE"] = compact_xml(coupon, size)
    return coupon


def write_streaming(path, count, start, days, seed, xml_size):
    if os.path.exists(path):
        os.remove(path)
    names = [name for name, _ in gen_dfe.COLUMNS]
    insert = f"INSERT INTO tb_nfce ({', '.join(names)}) VALUES ({', '.join('?' * len(names))})"
    db = sqlite3.connect(path)
    db.execute("PRAGMA journal_mode = OFF")
    db.execute("PRAGMA synchronous = OFF")
    db.execute("CREATE TABLE tb_nfce (" + ", ".join(f"{n} {t}" for n, t in gen_dfe.COLUMNS) + ")")
    coupons = gen_dfe.iter_coupons(count, start, days, seed=seed, xml_size=xml_size)
    while True:
        chunk = [shrink(c, xml_size) for c in itertools.islice(coupons, CHUNK)]
        if not chunk:
            break
        db.executemany(insert, ([c[n] for n in names] for c in chunk))
    db.commit()
    db.close()


def export_seed(path, count):
    piece, ligne = [], []
    for side in ("T", "R", "H"):
        for n in range(count):
            numero = ("TRH".index(side) + 1) * 10_000_000 + n
            piece.append({"GP_NATUREPIECEG": "FFO", "GP_SOUCHE": "BENCH", "GP_NUMERO": numero, "GP_INDICEG": 0,
                          "GP_REFINTERNE": f"BENCH-{side}-{n}", "GP_TYPECOMPTA": "TIC", "GP_ETABLISSEMENT": "001"})
            ligne.append({"GL_ETABLISSEMENT": "001", "GL_SOUCHE": "BENCH", "GL_NUMERO": numero, "GL_NUMLIGNE": 1,
                          "GL_QTERESTE": 1})
    with open(path, "w", encoding="utf-8") as f:
        json.dump({"piece": piece, "LIGNE": ligne}, f)


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--out")
    p.add_argument("--kvora-bench")
    p.add_argument("--count", type=int, required=True)
    p.add_argument("--start", type=dt.date.fromisoformat, default=dt.date(2024, 1, 1))
    p.add_argument("--days", type=int, default=31)
    p.add_argument("--xml-size", type=int, default=6000)
    p.add_argument("--seed", type=int, default=1)
    a = p.parse_args(argv)
    if a.kvora_bench:
        export_seed(a.kvora_bench, a.count)
    if a.out:
        write_streaming(a.out, a.count, a.start, a.days, a.seed, a.xml_size)


if __name__ == "__main__":
    main()
