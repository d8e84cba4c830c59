// Torvane: submits the records of a fixed-width export file to a web form.
#include "app/startup.h"

int main(int argc, char** argv)
{
    return torvane::runApplication(argc, argv);
}
