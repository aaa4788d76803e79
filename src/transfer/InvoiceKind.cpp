#include "transfer/InvoiceKind.h"

#include "datasets/pFBDataSet.h"
#include "dbclient/FBQuery.h"
#include "entry/UDMODULE1.h"
#include "platform/rtl/SysUtils.h"
#include "transfer/dfaturagir.h"
#include "transfer/dtopfaturagir.h"
#include "transfer/efaturagir.h"
#include "transfer/etopfaturagir.h"

namespace {

const TInvoiceKind Electricity{
    "Elektrik Fatura Bilgileri Girişi",
    "Elektrik Fatura Bilgisi Girişi",
    RGB(237, 254, 205),
    "Select * from Eabonekimlik where aboneno>\"%s\" ORDER BY aboneno",
    "Select * from efatura where aboneno = \"%s\" and donemi=\"%s\" ORDER BY ABONENO,faturatarihi",
    "Select * from eabonekimlik where Aboneno=\"%s\" ",
    "Select  * from efatura where coalesce(referansno, '')= ?REFERANSNO and aboneno= ?ABONENO",
    "insert into efatura(REFERANSNO,ABONENO,TOPLAMBEDELI,TOPLAMTUKETIM,DONEMI,FATURATARIHI)values "
    "(?REFERANSNO,?ABONENO,?TOPLAMBEDELI,?TOPLAMTUKETIM,?DONEMI,?FATURATARIHI)",
    "update efatura set REFERANSNO=?REFERANSNO,TOPLAMBEDELI=?TOPLAMBEDELI,TOPLAMTUKETIM=?TOPLAMTUKETIM,"
    "DONEMI=?DONEMI,FATURATARIHI=?FATURATARIHI  WHERE REFERANSNO IS NOT DISTINCT FROM ?OLD_REFERANSNO AND ABONENO=?OLD_ABONENO AND "
    "FATURATARIHI=?OLD_FATURATARIHI",
    "Delete from EFATURA where REFERANSNO IS NOT DISTINCT FROM ?OLD_REFERANSNO AND ABONENO=?OLD_ABONENO AND FATURATARIHI=?OLD_FATURATARIHI",
    "Delete from EFATURA where REFERANSNO IS NOT DISTINCT FROM ?OLD_REFERANSNO AND ABONENO=?OLD_ABONENO AND FATURATARIHI=?OLD_FATURATARIHI",
    "Select  * from efatura where coalesce(referansno, '')= ?REFERANSNO and aboneno= ?ABONENO",
    "Select * from efatura where donemi=\"%s\" ORDER BY aboneno",
    "Select * from efatura where donemi>=\"%s\" ORDER BY aboneno",
    "Select  * from eabonekimlik where aboneno = \"%s\" ORDER BY aboneno",
    "Select * from efatura where aboneno= ?ABONENO and faturatarihi in (?FATURATARIHI, ?ISOFATURATARIHI)  ",
    &Tdmodule1::EFATURA,
    &Tdmodule1::eabonekimlik,
    [] { return static_cast<TTopFaturaGirForm*>(etopfaturagirf); },
    [] { return static_cast<TFaturaGirForm*>(efaturagirf); },
    true,
    false,
    false,
};

const TInvoiceKind Gas{
    "Doğalgaz Fatura Bilgileri Girişi",
    "Doğalgaz Fatura Bilgisi Girişi",
    RGB(249, 219, 198),
    "Select * from DABONEKIMLIK where aboneno>\"%s\" ORDER BY aboneno",
    "Select * from Dfatura where aboneno = \"%s\" and donemi=\"%s\" ORDER BY ABONENO,faturatarihi",
    "Select * from DABONEKIMLIK where Aboneno=\"%s\" ",
    "Select  * from dFATURA where coalesce(referansno, '')= ?REFERANSNO and aboneno= ?ABONENO",
    "insert into Dfatura(REFERANSNO,ABONENO,TOPLAMBEDELI,TOPLAMTUKETIM,DONEMI,FATURATARIHI)values "
    "(?REFERANSNO,?ABONENO,?TOPLAMBEDELI,?TOPLAMTUKETIM,?DONEMI,?FATURATARIHI)",
    "update Dfatura set REFERANSNO=?REFERANSNO,TOPLAMBEDELI=?TOPLAMBEDELI,TOPLAMTUKETIM=?TOPLAMTUKETIM,"
    "DONEMI=?DONEMI,FATURATARIHI=?FATURATARIHI  WHERE REFERANSNO IS NOT DISTINCT FROM ?OLD_REFERANSNO AND ABONENO=?OLD_ABONENO AND "
    "FATURATARIHI=?OLD_FATURATARIHI",
    "Delete from dFATURA where REFERANSNO IS NOT DISTINCT FROM ?OLD_REFERANSNO AND ABONENO=?OLD_ABONENO AND FATURATARIHI=?OLD_FATURATARIHI",
    "Delete FROM DFATURA where REFERANSNO IS NOT DISTINCT FROM ?OLD_REFERANSNO AND ABONENO=?OLD_ABONENO AND FATURATARIHI=?OLD_FATURATARIHI",
    "Select  * FROM DFATURA where coalesce(referansno, '')= ?REFERANSNO and aboneno= ?ABONENO",
    "Select * from dfatura where donemi=\"%s\" ORDER BY aboneno",
    "Select * from dfatura where donemi>=\"%s\" ORDER BY aboneno",
    "Select  * from dabonekimlik where aboneno = \"%s\" ORDER BY aboneno",
    "Select * from dfatura where aboneno= ?ABONENO and faturatarihi in (?FATURATARIHI, ?ISOFATURATARIHI)  ",
    &Tdmodule1::dfatura,
    &Tdmodule1::dabonekimlik,
    [] { return static_cast<TTopFaturaGirForm*>(dtopfaturagirf); },
    [] { return static_cast<TFaturaGirForm*>(dfaturagirf); },
    false,
    true,
    true,
};

}  // namespace

const TInvoiceKind& ElectricityInvoiceKind() { return Electricity; }
const TInvoiceKind& GasInvoiceKind() { return Gas; }

AnsiString SqlStringValue(const AnsiString& Value) {
    AnsiString R;
    R.reserve(Value.size());
    for (char C : Value) {
        R += C;
        if (C == '"') R += '"';
    }
    return R;
}

AnsiString NewInvoiceReferenceNo() {
    // Formatted directly: the default date-time text drops the time at midnight,
    // which would give a short number.
    return "9" + FormatDateTime("yyyymmddhhnnss", Now());
}

void OpenInvoiceQuery(TpFBDataSet* Ds, const AnsiString& SQL, const TInvoiceQueryParams& Params) {
    if (!dmodule1) throw Exception("Veri modülü oluşturulmadı");
    dmodule1->SetDataSetSQL(Ds, SQL);
    for (const auto& [Name, Value] : Params) Ds->SelectQuery()->ParamByName(Name)->SetAsString(Value);
    Ds->Open();
    Ds->First();
}

bool LocateInvoiceDate(TpFBDataSet* Ds, const AnsiString& Stored) {
    for (Ds->First(); !Ds->Eof(); Ds->Next())
        if (Ds->FieldByName("faturatarihi")->AsString() == Stored) return true;
    Ds->First();
    return false;
}

std::unique_ptr<TpFBDataSet> OpenInvoiceQuery(const AnsiString& SQL, const TInvoiceQueryParams& Params) {
    auto Ds = std::make_unique<TpFBDataSet>(nullptr);
    OpenInvoiceQuery(Ds.get(), SQL, Params);
    return Ds;
}
