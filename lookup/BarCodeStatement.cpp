#include "lookup/BarCodeStatement.h"

namespace lookup {

namespace {

const QString kUnitOfSmallest =
    "(Select Top 1 UnitName From ProductUnits Where Product = P.Id And Fraction = (Select "
    "MIN(Fraction) From ProductUnits Where Product = P.Id))";

}  // namespace

QStringList barCodeSearchStatement() {
    return {
        "Select\tU.Id, U.BarCode, U.Product, U.UnitName, P.Code, P.ThaiName,",
        "  CONVERT(varchar(150), Cast(Coalesce((Select Sum(Quantity) From ProductOnHand Where "
        "BalanceYear = Year(GetDate()) And Product = P.Id), 0) As Money), 3) + '  ' +",
        "  " + kUnitOfSmallest + " OnHand ,",
        "  CONVERT(varchar(150), Cast(Coalesce(B.BackOrder, 0) As Money), 3)",
        "  + '  ' + " + kUnitOfSmallest + " Backorder",
        "From ProductUnits U",
        "Inner Join Product P On (P.Id = U.Product)",
        "Left Join (select M.Product, Sum(M.BackOrder) BackOrder",
        "From(",
        "Select S.Product, (S.Quantity * S.Fraction) BackOrder -- So ที่ยังไม่ Clear (+)",
        "From SoDt S",
        "Where (S.Clear <> 'Y') And S.SoHd Not In (Select SoHd From PosHeader Where SoHd is Not "
        "Null)",
        "Union All",
        "Select V.Product, -(V.Quantity * V.Fraction) BackOrder -- Iv ที่อ้าง So ที่ยังไม่ Clear (-)",
        "From IvDt V",
        "Inner Join Ivhd H On (H.Id = V.Ivhd)",
        "Where V.SoDt = (select S.Id from SoDt S Where S.Clear <> 'Y' And S.Id = V.SoDt)",
        "Union All",
        "Select V.Product, (V.Quantity * V.Fraction) BackOrder -- ออกใบกำกับแล้วแต่ยังไม่ส่งของ (+)",
        "From IvDt V",
        "Inner Join Ivhd H On (H.Id = V.Ivhd)",
        "Where (H.NotCutStock = 'Y') And (H.IvType <> 'B') And (Coalesce(V.IvdtB,0) = 0)",
        "Union All",
        "Select V.Product, -(V.Quantity * V.Fraction) BackOrder -- ส่งสินค้าอ้างใบกำกับ (-)",
        "From IvDt V",
        "Inner Join Ivhd H On (H.Id = V.Ivhd)",
        "Where (H.NotCutStock = 'N') And (H.IvType = 'B') And (Coalesce(V.IvdtB,0) > 0)",
        ") As M",
        "Group By M.Product",
        ") As B On (B.Product = P.Id)",
        "Where (U.BarCode Like :GetCode) And (P.ThaiName Like :GetName) And",
        "Not (U.BarCode Is Null) And (U.BarCode <> '')",
        "",
        "Order By P.ThaiName",
        "/* Don't Move SQL Lines */",
        "/* SQL [31] ห้ามย้ายบรรทัด */",
        " ",
    };
}

}  // namespace lookup
