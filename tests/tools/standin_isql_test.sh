#!/bin/bash
# The SQL Server stand-in through unixODBC's isql and the FreeTDS driver, plus its start and stop behaviour.
# Usage: standin_isql_test.sh PATH/TO/tools (the folder that holds the tds_standin package)
set -u
export PYTHONPATH=$1
WORK=$(mktemp -d)
PIDS=()
passed=0
failed=0

cleanup() {
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    rm -rf "$WORK"
}
trap cleanup EXIT

check() { # name, command status (0 = as expected)
    if [ "$2" -eq 0 ]; then
        passed=$((passed + 1)); echo "PASS: $1"
    else
        failed=$((failed + 1)); echo "FAIL: $1"; echo "--- output:"; cat "$WORK/out"; echo "---"
    fi
}

start() { # name, extra arguments...; sets PORT and PID
    local name=$1; shift
    rm -f "$WORK/$name.port"
    python3 -m tds_standin --db "$WORK/$name.sqlite" --port 0 --port-file "$WORK/$name.port" \
        --log "$WORK/$name.log" "$@" > "$WORK/$name.stdout" 2>&1 &
    PID=$!
    PIDS+=("$PID")
    for _ in $(seq 100); do [ -s "$WORK/$name.port" ] && break; sleep 0.1; done
    PORT=$(cat "$WORK/$name.port")
}

cs() { # user password database
    echo "DRIVER=FreeTDS;UID=$1;PWD=$2;Server=127.0.0.1,$PORT;Database=$3"
}

sql() { # connection string; statements on stdin, one per line
    timeout 60 isql -v -k "$1" -b > "$WORK/out" 2>&1
}

cat > "$WORK/seed.sql" <<'EOF'
insert into ETABLISS values ('001', N'Loja um');
insert into ETABLISS values ('002', N'Loja dois');
insert into piece values ('FFO', 'S1', 1, 0, 'A1', 'TIC', '001');
insert into piece values ('FFO', 'S1', 2, 0, 'B2', 'TIC', '001');
insert into piece values ('FFO', 'S1', 3, 0, 'C3', 'TIC', '001');
insert into LIGNE values ('001', 'S1', 1, 1, 2.5);
insert into LIGNE values ('001', 'S1', 2, 1, 1);
insert into LIGNE values ('001', 'S1', 3, 1, 0);
insert into MPIECEOLE values ('FFO', 'S1', 2, 0, 'PRR', N'<x/>');
EOF
cat > "$WORK/seed.json" <<'EOF'
{"MJOURSCAISSEOLE": [{"MBJ_CAISSE": "001", "MBJ_QUALIFIANTOLE": "PRZ", "MBJ_NUMZCAISSE": 9000001,
                      "MBJ_BLOCNOTE": "<reducaoZ><dt_movimento>25/04/2016</dt_movimento></reducaoZ>"}]}
EOF

start main --seed "$WORK/seed.sql" --seed "$WORK/seed.json"
MAIN_PORT=$PORT
OK=$(cs kvora kvora KVORA)

echo "select count(*) from ETABLISS" | sql "$OK"
check "login accepted, seeded rows counted" $([ $? -eq 0 ] && grep -q '| 2 ' "$WORK/out"; echo $?)

echo "select 1" | sql "$(cs kvora wrong KVORA)"
check "wrong password refused with 18456" \
    $([ $? -ne 0 ] && grep -q "Login failed for user 'kvora'." "$WORK/out"; echo $?)

echo "select 1" | sql "$(cs kvora kvora NOPE)"
check "unknown database refused with 4060" \
    $(grep -q 'Cannot open database "NOPE" requested by the login. The login failed.' "$WORK/out"; echo $?)

echo "select ET_ETABLISSEMENT, ET_LIBELLE from ETABLISS order by 1" | sql "$OK"
check "row set" $(grep -q '| 001.*| Loja um' "$WORK/out" && grep -q '| 002.*| Loja dois' "$WORK/out" \
    && grep -q '2 rows fetched' "$WORK/out"; echo $?)

echo "select * from NOPE" | sql "$OK"
check "server error 208" $(grep -q "\[SQL Server\]Invalid object name 'NOPE'." "$WORK/out"; echo $?)

echo "select piece.GP_REFINTERNE from piece where 1=1 and piece.GP_NATUREPIECEG = 'FFO' and not exists (select top 1 1 from MPIECEOLE where mpieceole.MBP_SOUCHE = piece.GP_SOUCHE and mpieceole.MBP_NUMERO = piece.GP_NUMERO) and exists (select top 1 1 from LIGNE where LIGNE.gl_souche = piece.gp_souche and LIGNE.gl_numero = piece.gp_numero and GL_QTERESTE > 0)" | sql "$OK"
check "pending references" $(grep -q '| A1' "$WORK/out" && ! grep -q -E '\| (B2|C3)' "$WORK/out" \
    && grep -q '1 rows fetched' "$WORK/out"; echo $?)

echo "SELECT count(*) FROM MJOURSCAISSEOLE cross apply (select cast(MBJ_BLOCNOTE as xml)) as R(X) where R.X.value('(/reducaoZ/dt_movimento)[1]', 'nvarchar(10)') = '25/04/2016'" | sql "$OK"
check "cross apply over a JSON seed" $(grep -q '| 1 ' "$WORK/out"; echo $?)

printf "exec standin_fault 'error', 1205, 'ETABLISS'\nselect * from ETABLISS\nexec standin_fault 'clear'\nselect count(*) from ETABLISS\n" | sql "$OK"
check "error fault and clear" $(grep -q 'deadlocked' "$WORK/out" && grep -q '| 2 ' "$WORK/out"; echo $?)

printf "exec standin_fault 'drop_after', 1\nselect 11\nselect 12\n" | sql "$OK"
check "drop after one statement" $(grep -q '| 11' "$WORK/out" && ! grep -q '| 12' "$WORK/out" \
    && grep -q 'Unexpected EOF from the server' "$WORK/out"; echo $?)
printf "exec standin_fault 'clear'\nselect 13\n" | sql "$OK"
check "clear after drop" $(grep -q '| 13' "$WORK/out"; echo $?)

printf "exec standin_fault 'drop_on', 'from piece'\nselect 14\nselect * from PIECE\n" | sql "$OK"
check "drop on pattern" $(grep -q '| 14' "$WORK/out" && grep -q 'Unexpected EOF' "$WORK/out"; echo $?)
echo "exec standin_fault 'clear'" | sql "$OK"

printf "exec standin_fault 'delay', 1.5\n" | sql "$OK"
begin=$(date +%s%N)
echo "select 15" | sql "$OK"
elapsed=$(( ($(date +%s%N) - begin) / 1000000 ))
check "delay fault (${elapsed} ms)" $(grep -q '| 15' "$WORK/out" && [ "$elapsed" -ge 1400 ]; echo $?)
echo "exec standin_fault 'clear'" | sql "$OK"

start refusing --fault refuse_login
echo "select 1" | sql "$(cs kvora kvora KVORA)"
check "--fault refuse_login" $(grep -q "Login failed for user 'kvora'." "$WORK/out"; echo $?)

kill -TERM "$PID"
for _ in $(seq 30); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
check "stops on SIGTERM" $(! kill -0 "$PID" 2>/dev/null; echo $?)

# The parent goes away only once the stand-in is up (it has written its port): a slow start must not miss it.
bash -c "python3 -m tds_standin --db '$WORK/orphan.sqlite' --port-file '$WORK/orphan.port' > /dev/null 2>&1 &
         echo \$! > '$WORK/orphan.pid'; for _ in \$(seq 150); do [ -s '$WORK/orphan.port' ] && break; sleep 0.1; done"
ORPHAN=$(cat "$WORK/orphan.pid")
PIDS+=("$ORPHAN")
for _ in $(seq 40); do kill -0 "$ORPHAN" 2>/dev/null || break; sleep 0.1; done
check "stops when its parent goes away" $(! kill -0 "$ORPHAN" 2>/dev/null; echo $?)

PORT=$MAIN_PORT
check "listens on 127.0.0.1 only" $(ss -ltn 2>/dev/null | grep ":$PORT " | grep -q "127.0.0.1:$PORT"; echo $?)

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
