#include "app/TApplication.h"
#include "app/TProgram.h"

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    TProgram program(application, TApplication::applicationFilePath());
    return program.Run();
}
