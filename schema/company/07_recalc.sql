-- The three year-end recalculations. Each takes a calendar year, recomputes that year's
-- closing balances as the previous year's closing balances plus the year's documents that are
-- not cancelled, and replaces the year's rows, all in one transaction: a failure rolls back to
-- the rows as they were. A flag (CancelFlag, NotCutStock) is set only when it is exactly 'Y',
-- character 89 whatever the collation: NULL and a lower-case 'y' are not set. An invoice kind
-- (IvType) of NULL is neither a delivery ('B') nor a sale on credit ('R'). A year without documents carries
-- the previous closing balance forward, and a second run for the same year writes the same rows.
-- Each run first updates its CalcLock row, so two runs of the same recalculation are serialised.
-- A document belongs to the year of its DocDate. Each procedure is dropped and created again.

IF OBJECT_ID('Calculate_OnHand') IS NOT NULL DROP PROCEDURE Calculate_OnHand
GO
-- Stock on hand (ProductOnHand, in small units per product, document unit and warehouse) and
-- the year's net lot movement (LotOnHand, for lines that name a lot). In: goods receipts (MrDt),
-- sales returns (SrDt), returns of issues (RiDt), transfers at ToWarehouse. Out: purchase
-- returns (PrDt), invoices that cut stock and deliveries against invoices (IvDt, see IvHd),
-- issues (IsDt), transfers at Warehouse. Adjustments (AjDt) add their signed quantity.
CREATE PROCEDURE Calculate_OnHand
    @YearNo int
AS
BEGIN
    SET NOCOUNT ON
    SET XACT_ABORT ON
    DECLARE @From datetime, @To datetime
    IF @YearNo IS NULL OR @YearNo < 1901 OR @YearNo > 9998
    BEGIN
        RAISERROR('Calculate_OnHand: the year must lie between 1901 and 9998.', 16, 1)
        RETURN 1
    END
    SET @From = Convert(datetime, Convert(char(4), @YearNo) + '0101', 112)
    SET @To = DateAdd(year, 1, @From)

    BEGIN TRAN
    UPDATE CalcLock SET LastRun = GetDate() WHERE Name = 'ONHAND'
    IF @@ROWCOUNT = 0
        INSERT INTO CalcLock (Name, LastRun) VALUES ('ONHAND', GetDate())

    DELETE FROM ProductOnHand WHERE BalanceYear = @YearNo
    INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, Quantity)
    SELECT M.Product, M.ProductUnits, M.Warehouse, @YearNo, Sum(M.Quantity)
    FROM (
        SELECT O.Product, O.ProductUnits, O.Warehouse, O.Quantity
        FROM ProductOnHand O
        WHERE O.BalanceYear = @YearNo - 1
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.Quantity * D.Fraction
        FROM MrDt D INNER JOIN MrHd H ON H.Id = D.MrHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, -D.Quantity * D.Fraction
        FROM PrDt D INNER JOIN PrHd H ON H.Id = D.PrHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, -D.Quantity * D.Fraction
        FROM IvDt D INNER JOIN IvHd H ON H.Id = D.IvHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND Coalesce(ASCII(H.NotCutStock), 0) <> 89 AND (Coalesce(H.IvType, '') <> 'B' OR Coalesce(D.IvdtB, 0) > 0)
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.Quantity * D.Fraction
        FROM SrDt D INNER JOIN SrHd H ON H.Id = D.SrHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, -D.Quantity * D.Fraction
        FROM IsDt D INNER JOIN IsHd H ON H.Id = D.IsHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.Quantity * D.Fraction
        FROM RiDt D INNER JOIN RiHd H ON H.Id = D.RiHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, -D.Quantity * D.Fraction
        FROM TrDt D INNER JOIN TrHd H ON H.Id = D.TrHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.ToWarehouse, D.Quantity * D.Fraction
        FROM TrDt D INNER JOIN TrHd H ON H.Id = D.TrHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.Quantity * D.Fraction
        FROM AjDt D INNER JOIN AjHd H ON H.Id = D.AjHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
    ) AS M
    GROUP BY M.Product, M.ProductUnits, M.Warehouse

    DELETE FROM LotOnHand WHERE BalanceYear = @YearNo
    INSERT INTO LotOnHand (Product, LotNo, Warehouse, BalanceYear, Quantity)
    SELECT M.Product, M.LotNo, M.Warehouse, @YearNo, Sum(M.Quantity)
    FROM (
        SELECT D.Product, D.LotNo, D.Warehouse, D.Quantity * D.Fraction AS Quantity
        FROM MrDt D INNER JOIN MrHd H ON H.Id = D.MrHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND D.LotNo IS NOT NULL
        UNION ALL
        SELECT D.Product, D.LotNo, D.Warehouse, -D.Quantity * D.Fraction
        FROM PrDt D INNER JOIN PrHd H ON H.Id = D.PrHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND D.LotNo IS NOT NULL
        UNION ALL
        SELECT D.Product, D.LotNo, D.Warehouse, -D.Quantity * D.Fraction
        FROM IvDt D INNER JOIN IvHd H ON H.Id = D.IvHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND Coalesce(ASCII(H.NotCutStock), 0) <> 89 AND (Coalesce(H.IvType, '') <> 'B' OR Coalesce(D.IvdtB, 0) > 0)
          AND D.LotNo IS NOT NULL
        UNION ALL
        SELECT D.Product, D.LotNo, D.Warehouse, D.Quantity * D.Fraction
        FROM SrDt D INNER JOIN SrHd H ON H.Id = D.SrHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND D.LotNo IS NOT NULL
        UNION ALL
        SELECT D.Product, D.LotNo, D.Warehouse, -D.Quantity * D.Fraction
        FROM IsDt D INNER JOIN IsHd H ON H.Id = D.IsHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND D.LotNo IS NOT NULL
        UNION ALL
        SELECT D.Product, D.LotNo, D.Warehouse, D.Quantity * D.Fraction
        FROM RiDt D INNER JOIN RiHd H ON H.Id = D.RiHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND D.LotNo IS NOT NULL
        UNION ALL
        SELECT D.Product, D.LotNo, D.Warehouse, -D.Quantity * D.Fraction
        FROM TrDt D INNER JOIN TrHd H ON H.Id = D.TrHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND D.LotNo IS NOT NULL
        UNION ALL
        SELECT D.Product, D.LotNo, D.ToWarehouse, D.Quantity * D.Fraction
        FROM TrDt D INNER JOIN TrHd H ON H.Id = D.TrHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND D.LotNo IS NOT NULL
        UNION ALL
        SELECT D.Product, D.LotNo, D.Warehouse, D.Quantity * D.Fraction
        FROM AjDt D INNER JOIN AjHd H ON H.Id = D.AjHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND D.LotNo IS NOT NULL
    ) AS M
    GROUP BY M.Product, M.LotNo, M.Warehouse
    COMMIT
    RETURN 0
END
GO


IF OBJECT_ID('Calculate_AR') IS NOT NULL DROP PROCEDURE Calculate_AR
GO
-- Receivables (CustomerBalance per customer and currency). Up: invoices on credit (IvHd with
-- IvType 'R') and customer debit notes (CdnHd). Down: customer credit notes (CcnHd), sales
-- returns (SrHd) and receipt lines (RcDt). A document without a currency is in the main currency
-- (Config.MainCurrencyId); MainCurrencyAmount is the amount times the document's Rate (1 when
-- none).
CREATE PROCEDURE Calculate_AR
    @YearNo int
AS
BEGIN
    SET NOCOUNT ON
    SET XACT_ABORT ON
    DECLARE @From datetime, @To datetime
    IF @YearNo IS NULL OR @YearNo < 1901 OR @YearNo > 9998
    BEGIN
        RAISERROR('Calculate_AR: the year must lie between 1901 and 9998.', 16, 1)
        RETURN 1
    END
    SET @From = Convert(datetime, Convert(char(4), @YearNo) + '0101', 112)
    SET @To = DateAdd(year, 1, @From)
    DECLARE @Main int
    SELECT @Main = MainCurrencyId FROM Config WHERE Id = 1

    BEGIN TRAN
    UPDATE CalcLock SET LastRun = GetDate() WHERE Name = 'AR'
    IF @@ROWCOUNT = 0
        INSERT INTO CalcLock (Name, LastRun) VALUES ('AR', GetDate())

    DELETE FROM CustomerBalance WHERE BalanceYear = @YearNo
    INSERT INTO CustomerBalance (Customer, BalanceYear, CurrencyId, Amount, MainCurrencyAmount)
    SELECT M.Customer, @YearNo, M.CurrencyId, Sum(M.Amount), Sum(M.MainAmount)
    FROM (
        SELECT B.Customer, B.CurrencyId, B.Amount,
               Coalesce(B.MainCurrencyAmount, B.Amount) AS MainAmount
        FROM CustomerBalance B
        WHERE B.BalanceYear = @YearNo - 1
        UNION ALL
        SELECT H.Customer, Coalesce(H.CurrencyId, @Main), H.NetAmount,
               H.NetAmount * Coalesce(H.Rate, 1)
        FROM IvHd H
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89 AND H.IvType = 'R'
        UNION ALL
        SELECT H.Customer, Coalesce(H.CurrencyId, @Main), H.NetAmount,
               H.NetAmount * Coalesce(H.Rate, 1)
        FROM CdnHd H
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT H.Customer, Coalesce(H.CurrencyId, @Main), -H.NetAmount,
               -H.NetAmount * Coalesce(H.Rate, 1)
        FROM CcnHd H
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT H.Customer, Coalesce(H.CurrencyId, @Main), -H.NetAmount,
               -H.NetAmount * Coalesce(H.Rate, 1)
        FROM SrHd H
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT H.Customer, Coalesce(D.CurrencyId, @Main), -D.Amount,
               -D.Amount * Coalesce(D.Rate, 1)
        FROM RcDt D INNER JOIN RcHd H ON H.Id = D.RcHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
    ) AS M
    GROUP BY M.Customer, M.CurrencyId
    COMMIT
    RETURN 0
END
GO


IF OBJECT_ID('Calculate_AP') IS NOT NULL DROP PROCEDURE Calculate_AP
GO
-- Payables (VendorBalance per vendor and currency). Up: purchases (PcHd) and vendor debit notes
-- (VdnHd). Down: vendor credit notes (VcnHd), purchase returns (PrHd) and payment lines (PdDt).
-- Currencies and MainCurrencyAmount as in Calculate_AR.
CREATE PROCEDURE Calculate_AP
    @YearNo int
AS
BEGIN
    SET NOCOUNT ON
    SET XACT_ABORT ON
    DECLARE @From datetime, @To datetime
    IF @YearNo IS NULL OR @YearNo < 1901 OR @YearNo > 9998
    BEGIN
        RAISERROR('Calculate_AP: the year must lie between 1901 and 9998.', 16, 1)
        RETURN 1
    END
    SET @From = Convert(datetime, Convert(char(4), @YearNo) + '0101', 112)
    SET @To = DateAdd(year, 1, @From)
    DECLARE @Main int
    SELECT @Main = MainCurrencyId FROM Config WHERE Id = 1

    BEGIN TRAN
    UPDATE CalcLock SET LastRun = GetDate() WHERE Name = 'AP'
    IF @@ROWCOUNT = 0
        INSERT INTO CalcLock (Name, LastRun) VALUES ('AP', GetDate())

    DELETE FROM VendorBalance WHERE BalanceYear = @YearNo
    INSERT INTO VendorBalance (Vendor, BalanceYear, CurrencyId, Amount, MainCurrencyAmount)
    SELECT M.Vendor, @YearNo, M.CurrencyId, Sum(M.Amount), Sum(M.MainAmount)
    FROM (
        SELECT B.Vendor, B.CurrencyId, B.Amount,
               Coalesce(B.MainCurrencyAmount, B.Amount) AS MainAmount
        FROM VendorBalance B
        WHERE B.BalanceYear = @YearNo - 1
        UNION ALL
        SELECT H.Vendor, Coalesce(H.CurrencyId, @Main), H.NetAmount,
               H.NetAmount * Coalesce(H.Rate, 1)
        FROM PcHd H
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT H.Vendor, Coalesce(H.CurrencyId, @Main), H.NetAmount,
               H.NetAmount * Coalesce(H.Rate, 1)
        FROM VdnHd H
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT H.Vendor, Coalesce(H.CurrencyId, @Main), -H.NetAmount,
               -H.NetAmount * Coalesce(H.Rate, 1)
        FROM VcnHd H
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT H.Vendor, Coalesce(H.CurrencyId, @Main), -H.NetAmount,
               -H.NetAmount * Coalesce(H.Rate, 1)
        FROM PrHd H
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT H.Vendor, Coalesce(D.CurrencyId, @Main), -D.Amount,
               -D.Amount * Coalesce(D.Rate, 1)
        FROM PdDt D INNER JOIN PdHd H ON H.Id = D.PdHd
        WHERE H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
    ) AS M
    GROUP BY M.Vendor, M.CurrencyId
    COMMIT
    RETURN 0
END
GO

