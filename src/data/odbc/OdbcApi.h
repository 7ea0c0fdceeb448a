#pragma once

// The ODBC C API as both driver managers declare it. Windows' headers need the base Windows types first; ODBC 3.80
// declares SQL_PARAM_DATA_AVAILABLE, which unixODBC's headers assume and Windows' do not.
#ifndef ODBCVER
#define ODBCVER 0x0380
#endif
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
