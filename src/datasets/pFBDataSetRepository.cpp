// A data set's row of the data-set repository, read or stored.
#include "datasets/pFBDataSet.h"
#include "dbclient/pFBDataInfo.h"

bool ReadDataSetInfo(TpFBDataSet* DataSet, TpDataSetInfo* Info) {
    if (Info) return ReadDataSetInfo(DataSet->Database(), DataSet->DataSet_ID(), DataSet->Name(), Info);
    TpDataSetInfo row;
    TConditions* conditions = DataSet->Conditions();
    // The select's own text: applied conditions would be stored into it and pile up once read back.
    if (conditions->Applied() && !conditions->SavedSQL().empty()) row.SelectSQL()->SetText(conditions->SavedSQL());
    else row.SelectSQL()->Assign(DataSet->SelectSQL());
    row.InsertSQL()->Assign(DataSet->InsertSQL());
    row.UpdateSQL()->Assign(DataSet->UpdateSQL());
    row.DeleteSQL()->Assign(DataSet->DeleteSQL());
    row.RefreshSQL()->Assign(DataSet->RefreshSQL());
    const TAutoUpdateOptions* options = DataSet->AutoUpdateOptions();
    row.KeyField = options->KeyFields();
    row.NameGenerator = options->GeneratorName();
    row.Description = DataSet->Description();
    row.UpdateTableName = options->UpdateTableName();
    row.UpdateOnlyModifiedFields = options->UpdateOnlyModifiedFields();
    row.Conditions = conditions->AsText();
    StoreDataSetInfo(DataSet->Database(), DataSet->DataSet_ID(), DataSet->Name(), row);
    return true;
}
