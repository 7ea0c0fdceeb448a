"""SQL Server stand-in for tests: a TDS 7.1 to 7.4 server on a loopback address over a SQLite file.

Run it as `python3 -m tds_standin --help` with the folder that holds this package (tools/) on PYTHONPATH.
"""
