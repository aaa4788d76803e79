#pragma once
// The program's start: the application object and its title, the program's
// thirteen objects made once in a fixed order, then the message loop.
//
// Each object is made by a factory that creates a new instance owned by the
// application into the object's global variable. The entry layer knows its own
// objects; the screens of the layers above it are registered by the program
// (app/) before start-up, since this layer cannot name them.
#include "platform/ui/Forms.h"

#include <functional>

// In the order start-up creates them.
enum TProgramObject {
    objZEMTARF,
    objdABONEKIMLIKF,
    objEABONEKIMLIKF,
    objdtopfaturagirf,
    objF_Util3,
    objdzemtarabonekimlikf,
    objezemtarabonekimlikf,
    objdfaturagirf,
    objDzemtarfaturaf,
    objetopfaturagirf,
    objefaturagirf,
    objzemtarfaturaf,
    objdmodule1
};
constexpr Integer ProgramObjectCount = 13;

constexpr const char* ApplicationTitle = "OSB Enerji Tüketim Bilgileri ZEMTAR Sistmei";

// Creates a new instance owned by the application, stores it in the object's
// global variable and returns it.
using TObjectFactory = std::function<TComponent*()>;

// Hands a newly made object to the application: a name that the application
// already holds gets the suffix "_1", "_2", ... (a screen opened again from the
// menu beside the one made at start), the first form becomes the main form,
// then the creation event fires.
void AdoptByApplication(TComponent* Instance);

// The usual factory body: Global = a new T owned by the application.
template <class T>
TComponent* CreateInto(T*& Global) {
    T* Instance = new T(nullptr);
    Global = Instance;
    AdoptByApplication(Instance);
    return Instance;
}

// The global variable's name of an object ("ZEMTARF", "dmodule1", ...).
const char* ProgramObjectName(TProgramObject Kind);

// Installs the factory of an object (an empty one removes it) and returns the
// previous one.
TObjectFactory RegisterProgramObject(TProgramObject Kind, TObjectFactory Factory);
bool ProgramObjectRegistered(TProgramObject Kind);

// A new instance of the object. Exception "<name> is not available in this
// program" when no factory is registered.
TComponent* CreateProgramObject(TProgramObject Kind);

// The program's command line: its one argument, when given, names the
// database (ProgramDatabaseName); further ones are not used.
void TakeProgramArguments(int argc, char** argv);

// Initialises the application, sets its title and creates every registered
// object in order. A failure inside a creation handler goes to the
// application's exception dialog and start-up goes on, except when the
// database is in use by another copy of the program: that is said and false
// returned (the program must end).
bool StartProgram();

// StartProgram, then (unless it refused) the message loop until the main
// window closes. False when the program did not start.
bool RunProgram();
