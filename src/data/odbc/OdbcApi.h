#pragma once

// The ODBC C API as both driver managers declare it. Windows' headers need the base Windows types first.
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

// A return code of ODBC 3.8 that the mingw-w64 headers lack.
#ifndef SQL_PARAM_DATA_AVAILABLE
#define SQL_PARAM_DATA_AVAILABLE 101
#endif
