#include "datamodule.h"

#include "errorreport.h"
#include "errors.h"
#include "paths.h"
#include "stationconfig.h"

namespace horalia {

TDM* DM = nullptr;

namespace {
const QStringList kCarriedOnlyByEditing = {
    QStringLiteral("grupo"),         QStringLiteral("num_taquilla"),
    QStringLiteral("email"),         QStringLiteral("convocatoria"),
    QStringLiteral("responsable"),   QStringLiteral("fumigador"),
    QStringLiteral("jornada_continua"), QStringLiteral("salariobasedia"),
    QStringLiteral("retencion_me")};
}  // namespace

QList<Field> TDM::trabajadoresFields() {
    return {
        Field::integer("ide", 32, true),
        Field::integer("ID", 16, true),
        Field::text("NIF", 24, true),
        Field::text("nombre", 80, true),
        Field::integer("activo", 32, true),
        Field::text("NOMBRECORTO", 80, false),
        Field::text("APELLIDOS", 120, false),
        Field::text("DIRECCION", 80, false),
        Field::text("CP", 10, false),
        Field::text("POBLACION", 40, false),
        Field::text("PROVINCIA", 40, false),
        Field::date("FECHANACIMIENTO", false),
        Field::text("PAISNAC", 40, false),
        Field::text("NACIONALIDAD", 40, false),
        Field::text("SEXO", 20, false),
        Field::text("CBIBAN", 8, false),
        Field::text("CBBANCO", 8, false),
        Field::text("CBOFICINA", 8, false),
        Field::text("CBDC", 4, false),
        Field::text("CBCC", 20, false),
        Field::integer("PAGARPORBANCO", 32, true),
        Field::text("TELEFONO1", 30, false),
        Field::text("TELEFONO2", 30, false),
        Field::text("TELEFONO3", 30, false),
        Field::text("TELEFONO4", 30, false),
        Field::text("REGIMEN_COT", 40, false),
        Field::text("NUMSEGSOCIAL", 30, false),
        Field::real("IRPF", false),
        Field::real("IRPF2", false),
        Field::real("DESEMPLEO", false),
        Field::real("DESEMPLEO2", false),
        Field::real("FORMACION", false),
        Field::real("FORMACION2", false),
        Field::text("OBSERVACIONES", 400, false),
        Field::date("FECHAALTA", false),
        Field::date("FECHABAJA", false),
        Field::real("CONTINGENCIAS", false),
        Field::integer("empresa", 32, true),
        Field::integer("seleccionado", 32, true),
        Field::text("codart", 30, false),
        Field::integer("IMAGEN", 32, false),
        Field::integer("FIJO", 16, false),
        Field::integer("FIJODISCONTINUO", 16, false),
        Field::integer("TEMPORAL", 16, false),
        Field::integer("controlcalidad", 32, false),
        Field::real("horascontrato", false),
        Field::integer("grupo", 32, true),
        Field::integer("num_taquilla", 32, false),
        Field::text("email", 100, false),
        Field::text("convocatoria", 90, false),
        Field::integer("responsable", 32, false),
        Field::integer("fumigador", 32, false),
        Field::integer("jornada_continua", 16, false),
        Field::real("salariobasedia", false),
        Field::real("retencion_me", false),
    };
}

QList<Field> TDM::qtrabajadoresFields() {
    QList<Field> fields;
    for (Field f : trabajadoresFields()) {
        if (kCarriedOnlyByEditing.contains(f.name, Qt::CaseInsensitive)) {
            continue;
        }
        if (f.kind == FieldKind::Integer && f.size == 16 && f.name != QLatin1String("ID")) {
            f.size = 32;  // FIJO, FIJODISCONTINUO and TEMPORAL are read wider here
        }
        fields << f;
    }
    return fields;
}

QList<Field> TDM::ticadosFields() {
    return {
        Field::integer("id", 64, true),
        Field::integer("ide", 16, true),
        Field::date("fecha", true),
        Field::integer("idt", 32, true),
        Field::text("TRABAJADOR", 100, true),
        Field::time("ENTRADA_REAL"),
        Field::time("SALIDA_REAL"),
        Field::real("tiempo"),
        Field::text("centro", 90),
    };
}

TDM::TDM(QObject* parent, const QString& connectionName)
    : QObject(parent),
      dbcontrol(connectionName),
      qtrabajadores(dbcontrol, QStringLiteral("qtrabajadores"), this),
      qaux2(dbcontrol, QStringLiteral("qaux2"), this),
      qticados(dbcontrol, QStringLiteral("qticados"), this),
      qmovimientos2(dbcontrol, QStringLiteral("qmovimientos2"), this),
      qempleados(dbcontrol, QStringLiteral("qempleados"), this),
      trabajadores(dbcontrol, QStringLiteral("trabajadores"), this) {
    setObjectName(QStringLiteral("DM"));
    DM = this;

    qtrabajadores.setSql(QStringLiteral("select * from trabajadores order by nombre"));
    qtrabajadores.setFields(qtrabajadoresFields());

    qaux2.setSql(QStringLiteral("select * from ticados"));
    qaux2.setFields(ticadosFields().mid(0, 7));
    qaux2.setUpdateTable(QStringLiteral("ticados"), {QStringLiteral("id")});

    qticados.setSql(
        QStringLiteral("select * from ticados order by fecha desc,entrada_real desc  limit 100"));
    qticados.setFields(ticadosFields());
    qticados.setUpdateTable(QStringLiteral("ticados"), {QStringLiteral("id")});

    qmovimientos2.setSql(QStringLiteral(
        "select fecha,idt,entrada_real as entrada, salida_real as salida,trabajador from ticados "
        "where  SALIDA_REAL is null and centro=:centro order by entrada_real desc"));
    qmovimientos2.setFields({
        Field::date("fecha").withFormat(QStringLiteral("dd/mm/yy")).asReadOnly(),
        Field::integer("idt").asReadOnly(),
        Field::time("entrada").withFormat(QStringLiteral("hh:mm")).asReadOnly(),
        Field::time("salida").withFormat(QStringLiteral("hh:mm")).asReadOnly(),
        Field::text("trabajador", 100).asReadOnly(),
    });
    qmovimientos2.setUpdateTable(QStringLiteral("ticados"), {});

    qempleados.setSql(
        QStringLiteral("select ide,id,nombre from trabajadores where activo=1 order by nombre"));
    qempleados.setFields({
        Field::text("nombre", 80, true),
        Field::integer("ide", 32, true),
        Field::integer("id", 16, true),
    });

    trabajadores.setSql(QStringLiteral("select * from trabajadores"));
    trabajadores.setFields(trabajadoresFields());
    trabajadores.setUpdateTable(QStringLiteral("trabajadores"),
                                {QStringLiteral("ide"), QStringLiteral("ID")});
    trabajadores.setMasterLink(&qempleados, {QStringLiteral("ide"), QStringLiteral("id")},
                               {QStringLiteral("ide"), QStringLiteral("id")});

    DataModuleCreate();
}

TDM::~TDM() {
    if (DM == this) {
        DM = nullptr;
    }
}

void TDM::DataModuleCreate() {
    StationConfig config;
    try {
        config = StationConfig::read(Paths::configFile());
    } catch (const FileError& e) {
        // The built-in settings stay; the first dataset opened connects with them.
        ErrorReport::show(e.text());
        return;
    }
    centrotrabajo = config.workCentre;
    dbcontrol.close();
    dbcontrol.setHostName(config.host);
    dbcontrol.setUserName(config.user);
    dbcontrol.setDatabaseName(config.database);
    dbcontrol.setPassword(config.password);
    try {
        dbcontrol.open();
    } catch (const DatabaseError&) {
        ErrorReport::show(QString::fromUtf8(kConnectError));
    }
}

}  // namespace horalia
