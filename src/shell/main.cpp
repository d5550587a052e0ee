#include "application.h"

int main(int argc, char *argv[])
{
    return tarn::runApplication(argc, argv);
}
