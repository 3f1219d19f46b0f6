-- Shared procedures of a company database: server clock, activity log, document numbers,
-- serial numbers. Each is dropped and created again, so a second run leaves the same
-- definitions.

IF OBJECT_ID('ServerTime') IS NOT NULL DROP PROCEDURE ServerTime
GO
-- The server's current date and time.
CREATE PROCEDURE ServerTime
    @ServerTime datetime OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    SET @ServerTime = GetDate()
    RETURN 0
END
GO

IF OBJECT_ID('UserAddLogV2') IS NOT NULL DROP PROCEDURE UserAddLogV2
GO
-- Appends one activity-log entry stamped with the server's clock.
CREATE PROCEDURE UserAddLogV2
    @UserId         int,
    @MenuId         int,
    @FunctionListId int,
    @DocumentId     int,
    @Remark         nvarchar(500),
    @TableName      varchar(100),
    @FieldName      varchar(100),
    @Detail         nvarchar(4000),
    @TabName        varchar(100)
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO UserLog (UserId, MenuId, FunctionListId, DocumentId, Remark, TableName,
                         FieldName, Detail, TabName, LogDate)
    VALUES (@UserId, @MenuId, @FunctionListId, @DocumentId, @Remark, @TableName, @FieldName,
            @Detail, @TabName, GetDate())
    RETURN 0
END
GO

IF OBJECT_ID('UserAddLog') IS NOT NULL DROP PROCEDURE UserAddLog
GO
-- The earlier five-field form of the activity log.
CREATE PROCEDURE UserAddLog
    @UserId         int,
    @MenuId         int,
    @FunctionListId int,
    @DocumentId     int,
    @Remark         nvarchar(500)
AS
BEGIN
    SET NOCOUNT ON
    INSERT INTO UserLog (UserId, MenuId, FunctionListId, DocumentId, Remark, TableName,
                         FieldName, Detail, TabName, LogDate)
    VALUES (@UserId, @MenuId, @FunctionListId, @DocumentId, @Remark, '', '', '', '', GetDate())
    RETURN 0
END
GO

IF OBJECT_ID('NewDocumentNo') IS NOT NULL DROP PROCEDURE NewDocumentNo
GO
-- Hands out the next number of a document code for a year: Prefix followed by LastNo + 1
-- padded with zeros to DocumentLength characters in all (a number too long for that is written
-- whole; a length beyond the 30 characters of @NewNo is refused). A year without a row of its
-- own starts from the code's latest year, at 1; a code without any row is an error. The update
-- holds the lock of the code's year, or of the gap where its row goes, until the commit, so
-- callers at once wait for each other: they never get the same number, and a new year's row is
-- inserted by the first of them only.
CREATE PROCEDURE NewDocumentNo
    @DocCode varchar(20),
    @DocYear int,
    @NewNo   varchar(30) OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    SET XACT_ABORT ON
    DECLARE @No int, @Prefix varchar(10), @Length int, @Digits varchar(30), @Width int
    SET @NewNo = NULL
    IF NOT EXISTS (SELECT * FROM DocumentNo WHERE Code = @DocCode)
    BEGIN
        RAISERROR('NewDocumentNo: document code %s has no numbering.', 16, 1, @DocCode)
        RETURN 1
    END
    BEGIN TRAN
    UPDATE DocumentNo WITH (UPDLOCK, HOLDLOCK) SET LastNo = LastNo + 1
    WHERE Code = @DocCode AND DocYear = @DocYear
    IF @@ROWCOUNT = 0
        INSERT INTO DocumentNo (Code, DocYear, Description, Prefix, LastNo, DocumentLength,
                                AutoRun, DocType)
        SELECT D.Code, @DocYear, D.Description, D.Prefix, 1, D.DocumentLength, D.AutoRun,
               D.DocType
        FROM DocumentNo D
        WHERE D.Code = @DocCode
          AND D.DocYear = (SELECT Max(X.DocYear) FROM DocumentNo X WHERE X.Code = @DocCode)
    SELECT @No = LastNo, @Prefix = Coalesce(Prefix, ''), @Length = Coalesce(DocumentLength, 0)
    FROM DocumentNo
    WHERE Code = @DocCode AND DocYear = @DocYear
    IF @Length > 30
    BEGIN
        ROLLBACK
        RAISERROR('NewDocumentNo: document code %s is %d characters long; a number has at most 30.',
                  16, 1, @DocCode, @Length)
        RETURN 1
    END
    COMMIT
    SET @Digits = Convert(varchar(30), @No)
    SET @Width = @Length - Len(@Prefix)
    IF Len(@Digits) < @Width
        SET @Digits = Right(Replicate('0', @Width) + @Digits, @Width)
    SET @NewNo = @Prefix + @Digits
    RETURN 0
END
GO

IF OBJECT_ID('CreateSerialNo') IS NOT NULL DROP PROCEDURE CreateSerialNo
GO
-- Registers a serial number of a product as in stock and returns its id; a serial already
-- registered for the product keeps its row and returns that row's id. The lookup holds the lock
-- of the serial's row, or of the gap where it goes, until the commit, so that callers at once
-- registering the same serial wait for each other and share one row.
CREATE PROCEDURE CreateSerialNo
    @ProductId  int,
    @SerialCode varchar(50),
    @SerialId   IdNo OUTPUT
AS
BEGIN
    SET NOCOUNT ON
    SET XACT_ABORT ON
    SET @SerialId = NULL
    IF @SerialCode IS NULL OR LTrim(RTrim(@SerialCode)) = ''
    BEGIN
        RAISERROR('CreateSerialNo: the serial number is empty.', 16, 1)
        RETURN 1
    END
    IF NOT EXISTS (SELECT * FROM Product WHERE Id = @ProductId)
    BEGIN
        RAISERROR('CreateSerialNo: product %d does not exist.', 16, 1, @ProductId)
        RETURN 1
    END
    BEGIN TRAN
    SELECT @SerialId = Id FROM SerialNo WITH (UPDLOCK, HOLDLOCK)
    WHERE Product = @ProductId AND Serial = @SerialCode
    IF @SerialId IS NULL
    BEGIN
        INSERT INTO SerialNo (Product, Serial, OnHand) VALUES (@ProductId, @SerialCode, 'Y')
        SET @SerialId = SCOPE_IDENTITY()
    END
    COMMIT
    RETURN 0
END
GO
