// reg: query and change the registry store from the command line.
#include "regcommand.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr), in(stdin);
    return tav::regtool::runReg(app.arguments().mid(1), out, err, &in);
}
