#include "app/TProgram.h"
#include "platform/ExecutablePath.h"
#include "widgets/TApplication.h"

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    TProgram program(application, ExecutablePath::Get());
    return program.Run();
}
