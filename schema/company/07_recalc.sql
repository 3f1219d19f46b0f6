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
-- Each lines table is read once, in its own order, finding each line's header by its id (the
-- CROSS JOIN keeps that order on the embedded engine); a transfer line gives its minus and its
-- plus side in that one read. The year's movements are summed once per product, unit,
-- warehouse and lot into #Moves, which both balance tables are built from. Every branch yields
-- Quantity * Fraction as decimal(38, 9) (a transfer's sign is chosen, not multiplied in), so no
-- line is rounded on its way: only the sums meet the stored scale.
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
    IF OBJECT_ID('tempdb..#Moves') IS NOT NULL DROP TABLE #Moves
    CREATE TABLE #Moves (
        Product      int            NOT NULL,
        ProductUnits int            NOT NULL,
        Warehouse    int            NOT NULL,
        LotNo        int            NULL,
        Quantity     decimal(38, 9) NULL  -- the type of Quantity * Fraction: stored unconverted
    )

    BEGIN TRAN
    UPDATE CalcLock SET LastRun = GetDate() WHERE Name = 'ONHAND'
    IF @@ROWCOUNT = 0
        INSERT INTO CalcLock (Name, LastRun) VALUES ('ONHAND', GetDate())

    INSERT INTO #Moves (Product, ProductUnits, Warehouse, LotNo, Quantity)
    SELECT M.Product, M.ProductUnits, M.Warehouse, M.LotNo, Sum(M.Quantity)
    FROM (
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, D.Quantity * D.Fraction AS Quantity
        FROM MrDt D CROSS JOIN MrHd H
        WHERE H.Id = D.MrHd AND H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, -D.Quantity * D.Fraction
        FROM PrDt D CROSS JOIN PrHd H
        WHERE H.Id = D.PrHd AND H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, -D.Quantity * D.Fraction
        FROM IvDt D CROSS JOIN IvHd H
        WHERE H.Id = D.IvHd AND H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
          AND Coalesce(ASCII(H.NotCutStock), 0) <> 89 AND (Coalesce(H.IvType, '') <> 'B' OR Coalesce(D.IvdtB, 0) > 0)
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, D.Quantity * D.Fraction
        FROM SrDt D CROSS JOIN SrHd H
        WHERE H.Id = D.SrHd AND H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, -D.Quantity * D.Fraction
        FROM IsDt D CROSS JOIN IsHd H
        WHERE H.Id = D.IsHd AND H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, D.Quantity * D.Fraction
        FROM RiDt D CROSS JOIN RiHd H
        WHERE H.Id = D.RiHd AND H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, CASE S.Side WHEN 1 THEN D.ToWarehouse ELSE D.Warehouse END,
               D.LotNo, CASE S.Side WHEN 1 THEN D.Quantity * D.Fraction ELSE -D.Quantity * D.Fraction END
        FROM TrDt D CROSS JOIN TrHd H CROSS JOIN (SELECT -1 AS Side UNION ALL SELECT 1) AS S
        WHERE H.Id = D.TrHd AND H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
        UNION ALL
        SELECT D.Product, D.ProductUnits, D.Warehouse, D.LotNo, D.Quantity * D.Fraction
        FROM AjDt D CROSS JOIN AjHd H
        WHERE H.Id = D.AjHd AND H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
    ) AS M
    GROUP BY M.Product, M.ProductUnits, M.Warehouse, M.LotNo

    DELETE FROM ProductOnHand WHERE BalanceYear = @YearNo
    INSERT INTO ProductOnHand (Product, ProductUnits, Warehouse, BalanceYear, Quantity)
    SELECT M.Product, M.ProductUnits, M.Warehouse, @YearNo, Sum(M.Quantity)
    FROM (
        SELECT O.Product, O.ProductUnits, O.Warehouse, O.Quantity
        FROM ProductOnHand O
        WHERE O.BalanceYear = @YearNo - 1
        UNION ALL
        SELECT V.Product, V.ProductUnits, V.Warehouse, V.Quantity
        FROM #Moves V
    ) AS M
    GROUP BY M.Product, M.ProductUnits, M.Warehouse

    DELETE FROM LotOnHand WHERE BalanceYear = @YearNo
    INSERT INTO LotOnHand (Product, LotNo, Warehouse, BalanceYear, Quantity)
    SELECT V.Product, V.LotNo, V.Warehouse, @YearNo, Sum(V.Quantity)
    FROM #Moves V
    WHERE V.LotNo IS NOT NULL
    GROUP BY V.Product, V.LotNo, V.Warehouse
    COMMIT
    DROP TABLE #Moves
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
        FROM RcDt D CROSS JOIN RcHd H
        WHERE H.Id = D.RcHd AND H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
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
        FROM PdDt D CROSS JOIN PdHd H
        WHERE H.Id = D.PdHd AND H.DocDate >= @From AND H.DocDate < @To AND Coalesce(ASCII(H.CancelFlag), 0) <> 89
    ) AS M
    GROUP BY M.Vendor, M.CurrencyId
    COMMIT
    RETURN 0
END
GO

