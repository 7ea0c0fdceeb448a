#include "data/DbActivity.h"

namespace {
IDbActivityListener* CurrentListener = nullptr;
// Nested scopes (an open that fetches its first rows) report one operation only.
int Depth = 0;
} // namespace

namespace DbActivity {

void SetListener(IDbActivityListener* AListener) {
    CurrentListener = AListener;
}

IDbActivityListener* Listener() {
    return CurrentListener;
}

Scope::Scope() {
    if (Depth++ == 0 && CurrentListener) {
        CurrentListener->OperationBegins();
    }
}

Scope::~Scope() {
    if (--Depth == 0 && CurrentListener) {
        CurrentListener->OperationEnds();
    }
}

} // namespace DbActivity
