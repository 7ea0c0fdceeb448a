#include "app/TProgram.h"
#include "widgets/TApplication.h"

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    TProgram program(application, TApplication::applicationFilePath());
    return program.Run();
}
