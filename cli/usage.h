#pragma once

#include "cli/commands.h"

#include <QString>
#include <QStringList>

#include <functional>

// What the command line asks for, read before any application object
// exists, since a PDF needs a different one from the other outputs.
struct Invocation
{
    enum Kind {
        Print,   // help or version: `text` goes to standard output
        Refused, // a usage error: `text` goes to standard error
        Run,
    };
    Kind kind = Refused;
    QString text;
    QString command;            // "decompte", for the messages
    bool needsPainting = false; // a PDF is asked for
    std::function<Outcome()> run;
};

// `arguments` as the process got them, the program's name first.
Invocation ParseInvocation(const QStringList &arguments);
