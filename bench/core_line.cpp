// The reference of the command line's start: a Qt Core program that prints
// one line and exits.
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::puts("Mois\tTaux annuel\tSomme");
    return 0;
}
