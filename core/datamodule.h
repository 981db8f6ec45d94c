#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "connection.h"
#include "dataset.h"

namespace horalia {

// The shared data module: the one connection, the datasets that the terminal and the worker
// window share, the station's work centre and the worker window's search state. Created
// before any window and kept for the whole run.
class TDM : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kConnectionName = "dbcontrol";
    static constexpr const char* kConnectError = "Error de conexion a la base de datos";

    // Creates the module and runs DataModuleCreate. The station has one module on
    // kConnectionName; a second name is for tests and benchmarks that act as another station
    // (each module must then live on the thread that created it).
    explicit TDM(QObject* parent = nullptr,
                 const QString& connectionName = QString::fromLatin1(kConnectionName));
    ~TDM() override;

    // Reads the configuration file and opens the connection. Failures are reported and
    // start-up goes on: a missing file leaves the built-in settings and a closed connection.
    void DataModuleCreate();

    Connection dbcontrol;
    QString centrotrabajo;
    QString filtro;
    int vertodos = 0;

    Dataset qtrabajadores;
    Dataset qaux2;
    Dataset qticados;
    Dataset qmovimientos2;
    Dataset qempleados;
    Dataset trabajadores;

    static QList<Field> trabajadoresFields();
    static QList<Field> qtrabajadoresFields();
    static QList<Field> ticadosFields();
};

// The one instance, reached by every window; set while it exists.
extern TDM* DM;

}  // namespace horalia
